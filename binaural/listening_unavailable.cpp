// A build without libmysofa or FFTW3 (the Windows cross builds) has no headphone renders: the
// head is refused, so that nothing else here is ever reached.
#include "binaural/listening.h"

namespace auralith {

struct Listening {};

void ListeningRelease::operator()(Listening* listening) const { delete listening; }

std::variant<ListeningHandle, ListeningRefusal> prepareListening(const ListeningRequest&, std::int32_t) {
    return ListeningRefusal{"--headphones",
                            "this build has no headphone renders: it was built without libmysofa "
                            "and FFTW3"};
}

std::string headDescription(const Listening&) { return {}; }

EarCues earCuesOf(const Listening&, const Pickup&) { return {}; }

std::optional<EarResponses> earResponsesOf(const Listening&, std::span<const double>) { return std::nullopt; }

HeadphoneRender writeHeadphoneRender(const Listening&, std::span<const std::int16_t>, std::int32_t, std::int32_t,
                                     const std::string&, bool) {
    return {};
}

}  // namespace auralith
