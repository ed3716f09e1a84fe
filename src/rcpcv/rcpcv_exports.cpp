// The C face of the converter, built as librcpcv.so.
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "nuko/rcpcv.h"
#include "rcpcv/rcp_convert.h"

struct RcpcvObject {
    std::vector<unsigned char> smf;
};

namespace {
// An RCP file is a few hundred kilobytes at most; anything far beyond is
// not one and is not read whole.
constexpr std::streamoff kMaxFileBytes = 64 << 20;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) RcpcvObject* rcpcvConvertFile(const char* path, RcpcvProgress progress,
                                                                     void* user) {
    if (!path) return nullptr;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return nullptr;
        in.seekg(0, std::ios::end);
        std::streamoff size = in.tellg();
        if (size < 0 || size > kMaxFileBytes) return nullptr;
        in.seekg(0);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        if (!in.read(bytes.data(), size)) return nullptr;
        nuko::rcpcv::Progress report;
        if (progress) report = [progress, user](int percent) { return progress(percent, user) != 0; };
        nuko::rcpcv::ConvertResult r = nuko::rcpcv::ConvertRcp(bytes, {}, report);
        if (r.error != nuko::rcpcv::ConvertError::None) return nullptr;
        return new RcpcvObject{std::move(r.smf)};
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

__attribute__((visibility("default"))) const unsigned char* rcpcvGetSMF(const RcpcvObject* object) {
    return object ? object->smf.data() : nullptr;
}

__attribute__((visibility("default"))) unsigned long rcpcvGetSMFLength(const RcpcvObject* object) {
    return object ? object->smf.size() : 0;
}

__attribute__((visibility("default"))) void rcpcvDeleteObject(RcpcvObject* object) { delete object; }

__attribute__((visibility("default"))) int rcpcvGetVersionMajor(void) { return 2; }

__attribute__((visibility("default"))) int rcpcvGetVersionMinor(void) { return 0; }
}
