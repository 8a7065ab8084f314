#include "inventory/Locn_LatLon.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/FileNumbers.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/Hemzshifts8.h"
#include "platform/ui/ui.h"

std::string LL_TargetVersion;
int16_t LL_ndp = 0;
int16_t LL_UseLandmarks = 0;
int16_t LL_LogFileNo = 0;
int32_t NLL_atLmk = 0;
int32_t NLL_trans = 0;
int32_t NLL_success = 0;
int32_t NLL_fail = 0;

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

void Count(int32_t& counter) {
    if (counter == std::numeric_limits<int32_t>::max()) throw std::overflow_error("Overflow");
    ++counter;
}

// The first row of a landmark query, when there is one.
bool LandmarkAt(const std::string& condition, const std::string& seg, double& lat, double& lon, int16_t& srcId) {
    db::Recordset rs = hmz_DB.open_recordset(
        "SELECT Latitude, Longitude, LatLon_Source_ID FROM Landmark"
        " WHERE Segment = " +
        SQL_Str(seg) + condition);
    if (rs.eof()) return false;
    const int64_t id = rs.field("LatLon_Source_ID").as_long();
    if (id < std::numeric_limits<int16_t>::min() || id > std::numeric_limits<int16_t>::max())
        throw db::Error(db::kErrOverflow, "Overflow");
    lat = rs.field("Latitude").as_double();
    lon = rs.field("Longitude").as_double();
    srcId = static_cast<int16_t>(id);
    return true;
}

}  // namespace

void Init_LocnLatLon(const std::string& version, int32_t ndp, int16_t useLandmarks, int16_t logFileNo) {
    NLL_atLmk = 0;
    NLL_trans = 0;
    NLL_success = 0;
    NLL_fail = 0;
    LL_LogFileNo = logFileNo;
    LL_TargetVersion = version.substr(0, 6);
    LL_UseLandmarks = useLandmarks;
    if (ndp < std::numeric_limits<int16_t>::min() || ndp > std::numeric_limits<int16_t>::max())
        throw std::overflow_error("Overflow");
    LL_ndp = static_cast<int16_t>(ndp);
    std::string last;
    Hemzshift_GetLastTarget(last);
    // Not initialised yet. The translation data folder stands for the
    // library's built-in default, so the tables are found with nothing set.
    if (last.empty()) Hemzshift_InitDLL(ndp, "", Data_Folder(DataKind::Translation));
}

void Print_NLL_Counts(int16_t fileNo) {
    auto line = [&](std::string label, int32_t n) {
        label.resize(14, ' ');
        Print_FileNo(fileNo, label + std::to_string(n));
    };
    line("NLL_atLmk:", NLL_atLmk);
    line("NLL_trans:", NLL_trans);
    line("NLL_success:", NLL_success);
    line("NLL_fail:", NLL_fail);
}

void GetLocnLatLon_Km(const std::string& seg, float km, double& lat, double& lon, int16_t& srcId) {
    lat = 0;
    lon = 0;
    srcId = 0;
    if (LL_UseLandmarks != 0) {
        std::string condition;
        if (LL_ndp == 2) {
            condition = " AND CLng((Km * 100) + 0.001) = " + std::to_string(Km_to_dam(km));
        } else if (LL_ndp == 1) {
            condition = " AND CLng((Km * 10) + 0.001) = " + std::to_string(Km_to_hm(km));
        } else {
            ui::MsgBox("Invalid LL_ndp = " + std::to_string(LL_ndp) + " in Sub GetLocnLatLon_Km", ui::vbExclamation,
                       "Tessawin");
            return;
        }
        if (LandmarkAt(condition, seg, lat, lon, srcId)) {
            Count(NLL_atLmk);
            return;
        }
        lat = 0;
        lon = 0;
        srcId = 0;
    }
    GetLocnLatLon_Geo(seg, km, lat, lon, srcId);
}

void GetLocnLatLon_Hm(const std::string& seg, int16_t hm, double& lat, double& lon, int16_t& srcId) {
    lat = 0;
    lon = 0;
    srcId = 0;
    if (LL_UseLandmarks != 0) {
        if (LandmarkAt(" AND Cint((Km * 10) + 0.001) = " + std::to_string(hm), seg, lat, lon, srcId)) return;
        lat = 0;
        lon = 0;
        srcId = 0;
    }
    GetLocnLatLon_Geo(seg, static_cast<float>(hm / 10.0), lat, lon, srcId);
}

void GetLocnLatLon_Geo(const std::string& seg, float km, double& lat, double& lon, int16_t& srcId) {
    lat = 0;
    lon = 0;
    srcId = -9;
    std::string s = seg;
    float k = km;
    GeoDB_Init("TRgeo", LL_LogFileNo);
    if (GeoDB_Failed != 0) {
        Count(NLL_fail);
        return;
    }
    if (LL_TargetVersion != GeoDB_HMZversion) {
        int32_t status = 0;
        Hemzshift_CheckLocn(GeoDB_HMZversion, seg, km, status);
        if (status < 0) {
            bool obs = false, split = false;
            int32_t steps = 0;
            Hemzshift_ToVersion("", seg, " ", km, GeoDB_HMZversion, s, k, obs, steps, split);
            Count(NLL_trans);
            if (k < 0) {
                srcId = -8;
                Count(NLL_fail);
                return;
            }
        }
    }
    int16_t status = 0;
    GeoDB_LookupLatLon(true, s, k, lat, lon, status);
    if (status >= 0) {
        srcId = -3;
        Count(NLL_success);
    } else {
        srcId = -9;
        Count(NLL_fail);
    }
}

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
