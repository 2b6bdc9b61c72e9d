// The text conversions of the settings: any bytes may be typed into an edit
// box. Every conversion must succeed or fail with its own message, never
// crash, and a converted value written back as text must read as the same
// value again.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "settings.h"

using namespace quorvan;

namespace {

// Shortest text that an extended real reads back from exactly (21
// significant digits hold every 64-bit mantissa).
std::string RealText(long double v, bool comma) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.21Lg", v);
  std::string s(buf);
  if (comma) {
    for (char& c : s) if (c == '.') c = ',';
  }
  return s;
}

void CheckInt(std::string_view text) {
  const auto v = TextToInt(text);
  if (!v) {
    FUZZ_REQUIRE(v.error == FormatMessage(kInvalidInteger, text), v.error);
    return;
  }
  FUZZ_REQUIRE(v.error.empty());
  // Written back and read again: the same number.
  const std::string back = IntToText(*v);
  const auto again = TextToInt(back);
  FUZZ_REQUIRE(again && *again == *v, back);
  // An integer text is a real text of the same value.
  const auto real = TextToReal(text);
  FUZZ_REQUIRE(real && *real == static_cast<long double>(*v), std::string(text));
  const auto rounded = TextToRoundedInt(text);
  FUZZ_REQUIRE(rounded && *rounded == *v, std::string(text));
}

void CheckReal(std::string_view text) {
  const auto v = TextToReal(text);
  if (!v) {
    FUZZ_REQUIRE(v.error == FormatMessage(kInvalidFloat, text), v.error);
    FUZZ_REQUIRE(!TextToDouble(text) && !TextToRoundedInt(text) && !TextToInt(text), std::string(text));
    return;
  }
  FUZZ_REQUIRE(std::isfinite(*v), std::string(text));
  // Written back with either separator and read again: the same bits.
  for (const bool comma : {false, true}) {
    const std::string back = RealText(*v, comma);
    const auto again = TextToReal(back);
    FUZZ_REQUIRE(again && (*again == *v || (std::isnan(*again) && std::isnan(*v))), back);
    FUZZ_REQUIRE(std::signbit(*again) == std::signbit(*v), back);
  }

  const auto d = TextToDouble(text);
  const auto narrowed = static_cast<double>(*v);
  if (std::isfinite(narrowed)) {
    FUZZ_REQUIRE(d && *d == narrowed, std::string(text));
  } else {
    FUZZ_REQUIRE(!d && d.error == FormatMessage(kInvalidFloat, text), std::string(text));
  }

  const auto r = TextToRoundedInt(text);
  const long double whole = std::nearbyintl(*v);
  if (whole >= static_cast<long double>(std::numeric_limits<int32_t>::min()) &&
      whole <= static_cast<long double>(std::numeric_limits<int32_t>::max())) {
    FUZZ_REQUIRE(r && static_cast<long double>(*r) == whole, std::string(text));
  } else {
    FUZZ_REQUIRE(!r && r.error == kInvalidOperation, std::string(text));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckInt(text);
  CheckReal(text);

  // A message with the text in place of %s keeps both whole.
  const std::string message = FormatMessage(kInvalidInteger, text);
  FUZZ_REQUIRE(message.size() == kInvalidInteger.size() - 2 + text.size());
  FUZZ_REQUIRE(message.compare(1, text.size(), text) == 0);

  // Any 64-bit number as text reads back exactly when it fits 32 bits.
  if (size >= 8) {
    int64_t n = 0;
    std::memcpy(&n, data, sizeof n);
    const auto back = TextToInt(IntToText(n));
    const bool fits = n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max();
    FUZZ_REQUIRE(static_cast<bool>(back) == fits && (!fits || *back == n), IntToText(n));
  }
  // Any normal extended real (or zero) as text reads back exactly; a value
  // in the subnormal range is out of range for the conversion.
  if (size >= 10) {
    uint64_t mantissa = 0;
    uint16_t exponent = 0;
    std::memcpy(&mantissa, data, sizeof mantissa);
    std::memcpy(&exponent, data + 8, sizeof exponent);
    const int scale = static_cast<int>(exponent % 32700) - 16400;
    const long double x = std::ldexp(static_cast<long double>(mantissa), scale) * (exponent & 0x8000 ? -1 : 1);
    if (std::isfinite(x) && (x == 0.0L || std::isnormal(x))) {
      const std::string t = RealText(x, size % 2 == 0);
      const auto back = TextToReal(t);
      FUZZ_REQUIRE(back && *back == x, t);
    }
  }
  return 0;
}
