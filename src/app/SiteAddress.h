#pragma once

#include <string>

// The addresses of the project's web site. The base address (scheme and host) is kept here
// only; ORVANE_SITE_URL replaces it, for example to point the update check at a local server.
namespace orvane::site {

inline constexpr const char* kDefaultBaseAddress = "https://orvane.org";
inline constexpr const char* kBaseAddressVariable = "ORVANE_SITE_URL";

// The base address in force, without a trailing slash. Read anew at every call.
std::string baseAddress();

std::string pingFileURL();
// The file whose presence on the site says that `version` has a successor.
std::string versionFileURL(const std::string& version);
std::string websiteURL();
std::string donationURL();

} // namespace orvane::site
