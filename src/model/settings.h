#pragma once
// The settings of a world and a run, held as the window's controls hold
// them: edit-box texts, scroll-bar positions, check boxes, the sniff-mode
// radio buttons and the landscape mode. The model reads them at the moment
// of use and converts texts then, as the window would.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings_limits.h"

namespace quorvan {

struct Settings {
  // setup settings
  std::string Edit_anzAg = std::to_string(kInitialAgents);  ///< agents for the next setup
  std::string Edit_size = std::to_string(kInitialCellSize);  ///< cell edge in pixels, kMinCellSize..kMaxCellSize
  int32_t SetupMode = kInitialSetupMode;  ///< landscape of the next setup (CB_pre's item, see kLandscapeModes)
  // timesteps
  std::string E_stop = std::to_string(kInitialStopTime);  ///< the step at which the run stops
  // interaction parameters
  int32_t TrB_thresh = kInitialThreshold;                 ///< angle threshold, kMinAngle..kMaxAngle
  int32_t SB_wiggle = kInitialWiggle;                     ///< wiggle threshold, kMinAngle..kMaxAngle
  std::string E_noise = std::string(kInitialNoiseText);   ///< return noise (real, rounded)
  std::string E_decay = std::string(kInitialDecayText);   ///< decay rate
  bool CB_decay = kInitialDecayOn;                        ///< decay on
  std::string E_CProbab = std::string(kInitialConsumeText);  ///< consume (pick-up) probability
  // sniff chemicals with
  bool rb_rulette = kInitialSniffMode == kSniffRoulette;
  bool rb_hill = kInitialSniffMode == kSniffHill;
  // graphic
  bool CB_showAg = kInitialShowAgents;
  bool CB_showAB = kInitialShowReturnTracks;  ///< show (and scan) only the return trail
  bool CB_noTracks = kInitialNoTracks;
  bool CB_gravity = kInitialGravity;
  std::string E_grav = std::string(kInitialGravityText);  ///< gravity line size factor

  friend bool operator==(const Settings&, const Settings&) = default;

  /// kSniffRoulette while "rulette wheel" is checked, else kSniffHill while
  /// "hill climbing" is, else kNoSniffMode.
  int32_t SniffMode() const { return rb_rulette ? kSniffRoulette : (rb_hill ? kSniffHill : kNoSniffMode); }
};

/// Failure messages of the text conversions; %s stands for the text.
inline constexpr std::string_view kInvalidInteger = "'%s' is not a valid integer value";
inline constexpr std::string_view kInvalidFloat = "'%s' is not a valid floating point value";
inline constexpr std::string_view kInvalidOperation = "Invalid floating point operation";

/// A conversion's value, or the message saying why there is none.
template <typename T>
struct Converted {
  std::optional<T> value;
  std::string error;
  explicit operator bool() const { return value.has_value(); }
  const T& operator*() const { return *value; }
};

/// The text as a 32-bit integer: an optional sign and decimal digits,
/// blanks around them ignored. Fails with "'%s' is not a valid integer value".
Converted<int32_t> TextToInt(std::string_view text);

/// The text as an extended real. A decimal comma and a decimal point are
/// both accepted, with an optional exponent; blanks around the number are
/// ignored. Non-finite and out-of-range values fail with
/// "'%s' is not a valid floating point value".
Converted<long double> TextToReal(std::string_view text);

/// The text as a double: TextToReal, and a value that a double cannot hold
/// (beyond about 1.8e308) fails with the same message.
Converted<double> TextToDouble(std::string_view text);

/// The text as a real rounded half-to-even to a 32-bit integer (the return
/// noise). A value beyond 32 bits fails with "Invalid floating point operation".
Converted<int32_t> TextToRoundedInt(std::string_view text);

/// A 32-bit integer as decimal text.
std::string IntToText(int64_t value);

/// Puts `text` in place of the %s of a message.
std::string FormatMessage(std::string_view message, std::string_view text);

}  // namespace quorvan
