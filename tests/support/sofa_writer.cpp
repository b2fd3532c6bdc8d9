#include "support/sofa_writer.h"

#include <netcdf.h>

#include <cstring>

namespace auralith::testing {
namespace {

bool text(int file, int variable, const char* name, const char* value) {
    return nc_put_att_text(file, variable, name, std::strlen(value), value) == NC_NOERR;
}

// SimpleFreeFieldHRIR's global attributes, which libmysofa checks.
bool globals(int file) {
    static const char* const attributes[][2] = {{"Conventions", "SOFA"},
                                                {"Version", "1.0"},
                                                {"SOFAConventions", "SimpleFreeFieldHRIR"},
                                                {"SOFAConventionsVersion", "1.0"},
                                                {"APIName", "tests"},
                                                {"APIVersion", "1"},
                                                {"AuthorContact", "tests"},
                                                {"Organization", "tests"},
                                                {"License", "tests"},
                                                {"DataType", "FIR"},
                                                {"RoomType", "free field"},
                                                {"DateCreated", "2026-12-09"},
                                                {"DateModified", "2026-12-09"},
                                                {"Title", "a test head"}};
    for (const auto& a : attributes)
        if (!text(file, NC_GLOBAL, a[0], a[1])) return false;
    return true;
}

struct Variables {
    int listener, receiver, source, emitter, up, view, ir, rate, delay;
};

bool define(int file, const SofaHead& head, Variables& v) {
    int i, c, r, e, n, m;
    const auto dims = [&](const char* name, std::size_t size, int* id) {
        return nc_def_dim(file, name, size, id) == NC_NOERR;
    };
    if (!dims("I", 1, &i) || !dims("C", 3, &c) || !dims("R", static_cast<std::size_t>(head.receivers), &r) ||
        !dims("E", 1, &e) || !dims("N", static_cast<std::size_t>(head.taps), &n) ||
        !dims("M", head.directions.size(), &m))
        return false;
    const auto var = [&](const char* name, std::vector<int> shape, int* id, const char* type, const char* units) {
        return nc_def_var(file, name, NC_DOUBLE, static_cast<int>(shape.size()), shape.data(), id) == NC_NOERR &&
               (type == nullptr || text(file, *id, "Type", type)) &&
               (units == nullptr || text(file, *id, "Units", units));
    };
    return var("ListenerPosition", {i, c}, &v.listener, "cartesian", "metre") &&
           var("ReceiverPosition", {r, c, i}, &v.receiver, "cartesian", "metre") &&
           var("SourcePosition", {m, c}, &v.source, "spherical", "degree, degree, metre") &&
           var("EmitterPosition", {e, c, i}, &v.emitter, "cartesian", "metre") &&
           var("ListenerUp", {i, c}, &v.up, nullptr, nullptr) &&
           var("ListenerView", {i, c}, &v.view, "cartesian", "metre") &&
           var("Data.IR", {m, r, n}, &v.ir, nullptr, nullptr) &&
           var("Data.SamplingRate", {i}, &v.rate, nullptr, "hertz") &&
           var("Data.Delay", {head.delays.size() > static_cast<std::size_t>(head.receivers) ? m : i, r}, &v.delay,
               nullptr, nullptr);
}

bool fill(int file, const SofaHead& head, const Variables& v) {
    const double zero[3] = {0, 0, 0}, up[3] = {0, 0, 1}, view[3] = {1, 0, 0};
    std::vector<double> receivers(static_cast<std::size_t>(head.receivers) * 3, 0.0), sources, ir, delays = head.delays;
    if (delays.empty()) delays.assign(static_cast<std::size_t>(head.receivers), 0.0);
    for (int k = 0; k < head.receivers; ++k) receivers[static_cast<std::size_t>(3 * k + 1)] = k == 0 ? 0.09 : -0.09;
    for (const SofaDirection& d : head.directions) {
        sources.insert(sources.end(), {d.azimuth, d.elevation, 1.4});
        for (int k = 0; k < head.receivers; ++k) {
            std::vector<double> taps = k == 0 ? d.left : d.right;
            taps.resize(static_cast<std::size_t>(head.taps), 0.0);
            ir.insert(ir.end(), taps.begin(), taps.end());
        }
    }
    return nc_put_var_double(file, v.listener, zero) == NC_NOERR && nc_put_var_double(file, v.up, up) == NC_NOERR &&
           nc_put_var_double(file, v.view, view) == NC_NOERR &&
           nc_put_var_double(file, v.receiver, receivers.data()) == NC_NOERR &&
           nc_put_var_double(file, v.emitter, zero) == NC_NOERR &&
           nc_put_var_double(file, v.source, sources.data()) == NC_NOERR &&
           nc_put_var_double(file, v.ir, ir.data()) == NC_NOERR &&
           nc_put_var_double(file, v.rate, &head.rate) == NC_NOERR &&
           nc_put_var_double(file, v.delay, delays.data()) == NC_NOERR;
}

}  // namespace

bool writeSofa(const std::string& path, const SofaHead& head) {
    int file = 0;
    if (nc_create(path.c_str(), NC_NETCDF4 | NC_CLOBBER, &file) != NC_NOERR) return false;
    Variables v{};
    const bool written = globals(file) && define(file, head, v) && nc_enddef(file) == NC_NOERR && fill(file, head, v);
    return nc_close(file) == NC_NOERR && written;
}

SofaHead plainHead(int lag, double far, int taps) {
    std::vector<double> near(static_cast<std::size_t>(taps), 0.0), late(static_cast<std::size_t>(taps), 0.0);
    near[0] = 1;
    late[static_cast<std::size_t>(lag)] = far;
    SofaHead head;
    head.taps = taps;
    head.directions = {{30, 0, near, late}, {-30, 0, late, near}, {0, 0, near, near}, {90, 0, near, late}};
    return head;
}

}  // namespace auralith::testing
