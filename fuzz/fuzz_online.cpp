// Answers of the online station directory's service: the station lists and the name counts
// (countries, languages, tags) as they come over the network.
#include "fuzzinput.h"
#include "stations/onlinestation.h"
#include "stations/radiobrowserclient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray answer = fuzz::bytes(data, size);
    if (const auto stations = OnlineStation::listFromJson(answer)) {
        for (const OnlineStation& station : *stations)
            station.toPreset();
    }
    bool ok = false;
    RadioBrowserClient::countsFromJson(answer, &ok);
    return 0;
}
