#include "app/SiteAddress.h"

#include <cstdlib>

namespace orvane::site {

std::string baseAddress() {
    const char* replacement = std::getenv(kBaseAddressVariable);
    std::string address = replacement && *replacement ? replacement : kDefaultBaseAddress;
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

std::string pingFileURL() {
    return baseAddress() + "/Orvane/updates/ping";
}

std::string versionFileURL(const std::string& version) {
    return baseAddress() + "/Orvane/updates/" + version;
}

std::string websiteURL() {
    return baseAddress() + "/Orvane/";
}

std::string donationURL() {
    return baseAddress() + "/Orvane/donationrequest.html";
}

} // namespace orvane::site
