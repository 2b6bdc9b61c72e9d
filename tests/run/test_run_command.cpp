// A single run's command line: defaults, every option's effect on the
// settings, and refusals.

#include <gtest/gtest.h>

#include "run_command.h"

namespace quorvan::batch {
namespace {

ParseOutcome Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(RunCommand, DefaultsAreTheWindowsInitialValues) {
  const ParseOutcome out = Parse({});
  ASSERT_TRUE(out.command) << out.output;
  const Settings s = SettingsFor(out.command->spec);
  EXPECT_EQ(s.Edit_anzAg, "800");
  EXPECT_EQ(s.Edit_size, "2");
  EXPECT_EQ(s.E_stop, "10000");
  EXPECT_EQ(s.SetupMode, 0);
  EXPECT_EQ(s.TrB_thresh, 30);
  EXPECT_EQ(s.SB_wiggle, 20);
  EXPECT_FALSE(s.CB_decay);
  EXPECT_EQ(s.SniffMode(), 2);
  EXPECT_TRUE(s.CB_showAB);
  EXPECT_FALSE(s.CB_gravity);
  EXPECT_TRUE(s.CB_showAg);
  EXPECT_FALSE(out.command->spec.seed.has_value());
}

TEST(RunCommand, EachOptionReachesItsSetting) {
  const ParseOutcome out = Parse({"--agents", "12", "--cell-size", "7", "--steps", "99", "--mode", "manhattan",
                                  "--threshold", "180", "--wiggle", "0", "--decay", "0,9", "--sniff", "roulette",
                                  "--trail", "footprint", "--seed", "18446744073709551615", "--gravity", "2.5",
                                  "--no-agents"});
  ASSERT_TRUE(out.command) << out.output;
  const Settings s = SettingsFor(out.command->spec);
  EXPECT_EQ(s.Edit_anzAg, "12");
  EXPECT_EQ(s.Edit_size, "7");
  EXPECT_EQ(s.E_stop, "99");
  EXPECT_EQ(s.SetupMode, 3);
  EXPECT_EQ(s.TrB_thresh, 180);
  EXPECT_EQ(s.SB_wiggle, 0);
  EXPECT_TRUE(s.CB_decay);
  EXPECT_EQ(s.E_decay, "0,9");
  EXPECT_EQ(s.SniffMode(), 1);
  EXPECT_FALSE(s.CB_showAB);
  EXPECT_TRUE(s.CB_gravity);
  EXPECT_EQ(s.E_grav, "2.5");
  EXPECT_FALSE(s.CB_showAg);
  EXPECT_EQ(out.command->spec.seed, 18446744073709551615ull);
}

TEST(RunCommand, ModesMapToLandscapeNumbers) {
  const std::pair<const char*, int> modes[] = {{"random", 0}, {"circle", 1}, {"raster", 2}, {"manhattan", 3}};
  for (const auto& [name, number] : modes) {
    const ParseOutcome out = Parse({"--mode", name});
    ASSERT_TRUE(out.command) << name;
    EXPECT_EQ(SettingsFor(out.command->spec).SetupMode, number) << name;
  }
}

TEST(RunCommand, NoiseAndConsumeOverrideTheLandscapesTexts) {
  const ParseOutcome out = Parse({"--noise", "12,5", "--consume", "0.2"});
  ASSERT_TRUE(out.command);
  Settings s = SettingsFor(out.command->spec);
  s.E_noise = "50";  // what a landscape writes
  s.E_CProbab = "0,05";
  ApplyOverrides(out.command->spec, s);
  EXPECT_EQ(s.E_noise, "12,5");
  EXPECT_EQ(s.E_CProbab, "0.2");

  const ParseOutcome plain = Parse({});
  Settings t = SettingsFor(plain.command->spec);
  t.E_CProbab = "0,05";
  ApplyOverrides(plain.command->spec, t);
  EXPECT_EQ(t.E_CProbab, "0,05") << "without --consume the landscape's text stays";
}

TEST(RunCommand, BadOptionsAreRefusedWithStatusTwoNamingTheOption) {
  struct Case {
    std::vector<std::string> args;
    std::string named;
  };
  const Case cases[] = {
      {{"--agents", "many"}, "--agents"},
      {{"--agents", "-1"}, "--agents"},
      {{"--cell-size", "1"}, "--cell-size"},
      {{"--cell-size", "11"}, "--cell-size"},
      {{"--steps", "-5"}, "--steps"},
      {{"--mode", "spiral"}, "--mode"},
      {{"--threshold", "181"}, "--threshold"},
      {{"--wiggle", "-1"}, "--wiggle"},
      {{"--noise", "loud"}, "--noise"},
      {{"--noise", "1e300"}, "--noise"},
      {{"--consume", "nan"}, "--consume"},
      {{"--decay", "1e999"}, "--decay"},
      {{"--gravity", "x"}, "--gravity"},
      {{"--sniff", "smell"}, "--sniff"},
      {{"--trail", "both"}, "--trail"},
      {{"--seed", "-1"}, "--seed"},
      {{"--frobnicate"}, "--frobnicate"},
      {{"--agents", "0x5"}, "'0x5' is not a whole number"},
      {{"--threshold", "12.5"}, "'12.5' is not a whole number"},
      {{"--steps", "1e3"}, "--steps"},
      {{"--csv", ""}, "--csv: the file name is empty"},
      {{"--csv", "-", "--json", "-"}, "--json"},
      {{"--csv", "a.csv", "--png", "./a.csv"}, "--png"},
      {{"--world", ""}, "--world: the file name is empty"},
      {{"--world", "w.qvw", "--csv", "./w.qvw"}, "--csv: 'w.qvw' is the world read by --world"},
      {{"--agents", ""}, "--agents: '' is not a whole number from 0 to 2147483647"},
      {{"--agents", "12,5"}, "--agents: '12,5' is several values, which makes a sweep; a sweep needs --out DIR"},
      {{"--wiggle", "0:40:20"}, "--wiggle: '0:40:20' is several values"},
      {{"--threshold", "200"}, "--threshold: '200' is not a whole number from 0 to 180"},
      {{"--wiggle", "3", "--wiggle", "4"}, "--wiggle is given twice"},
      {{"--csv", "a.csv", "--agents"}, "--agents needs a value"},
      {{"--for", "5", "--steps", "9"}, "--steps and --for"},
      {{"--mode", "spiral"}, "--mode: 'spiral' is not random, circle, raster or manhattan"},
  };
  for (const Case& c : cases) {
    const ParseOutcome out = Parse(c.args);
    EXPECT_FALSE(out.command) << c.named;
    EXPECT_EQ(out.exitCode, 2) << c.named;
    EXPECT_NE(out.output.find(c.named), std::string::npos) << out.output;
    EXPECT_LT(out.output.size(), 160u) << out.output;  // short, whatever the fault
  }
}

TEST(RunCommand, HelpListsEveryOption) {
  const ParseOutcome out = Parse({"--help"});
  EXPECT_FALSE(out.command);
  EXPECT_EQ(out.exitCode, 0);
  for (const char* option : {"--agents", "--cell-size", "--steps", "--mode", "--threshold", "--wiggle", "--noise",
                             "--consume", "--decay", "--sniff", "--trail", "--seed", "--csv", "--json", "--png",
                             "--gravity", "--no-agents", "--world", "--save-world", "--landscape-seed"}) {
    EXPECT_NE(out.output.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace quorvan::batch
