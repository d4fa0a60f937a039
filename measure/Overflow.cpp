#include "measure/Overflow.h"

#include <cmath>

bool Overflowed(const TMeasurement& reading, const TMeasurement& lastTrusted) {
  if (!reading.SiValue || !lastTrusted.SiValue || reading.Mode != lastTrusted.Mode) return false;
  const double span = 1e8 * SiResolution(reading);
  const double last = std::fabs(*lastTrusted.SiValue);
  return span > 0 && last >= span && std::fabs(std::fabs(*reading.SiValue) - last) > span / 2;
}
