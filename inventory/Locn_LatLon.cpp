#include "inventory/Locn_LatLon.h"

#include <cmath>
#include <stdexcept>

namespace {

// The projection's constants as the program has always used them (they are
// not derived at run time).
constexpr double kDegToRad = 0.0174532925199433;
constexpr double kA = 6378137;
constexpr double kE = 0.081819191;
constexpr double kOneOver2E = 6.1110357348803;
constexpr double kOneMinusE2 = 0.99330561998411;
constexpr double kLambda0 = -2.1991148575129;
constexpr double kN = 0.80935590655906;
constexpr double kC = 1.649746784136;
constexpr double kRho0 = 5629257.0384098;
constexpr double kFalseEasting = 1000000;

int32_t RoundMetres(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw std::overflow_error("Overflow");
    return static_cast<int32_t>(r);
}

}  // namespace

void Albers_Grid(double lat, double lon, double& Y, double& X) {
    const double phi = lat * kDegToRad;
    const double lambda = lon * kDegToRad;
    const double s = std::sin(phi);
    const double es = s * kE;
    const double L = std::log((1 - es) / (1 + es));
    const double q = (s / (1 - es * es) - L * kOneOver2E) * kOneMinusE2;
    const double theta = (lambda - kLambda0) * kN;
    const double rho = kA * std::sqrt(kC - kN * q) / kN;
    X = rho * std::sin(theta) + kFalseEasting;
    Y = kRho0 - rho * std::cos(theta);
    if (!std::isfinite(X) || !std::isfinite(Y)) throw std::overflow_error("Overflow");
}

void Naltalbers_XY(double lat, double lon, int32_t& Y, int32_t& X) {
    double y = 0, x = 0;
    Albers_Grid(lat, lon, y, x);
    Y = RoundMetres(y);
    X = RoundMetres(x);
}
