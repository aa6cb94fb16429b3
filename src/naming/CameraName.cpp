#include "naming/CameraName.h"

#include "base/AsciiText.h"

#include <array>

namespace orvane {
namespace {

thread_local CameraCatch* innermost = nullptr;

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return c == '\0' || isAsciiSpace(c); };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    // Text after a NUL is padding of the fixed-size field.
    return text.substr(0, text.find('\0'));
}

bool startsWithWord(std::string_view text, std::string_view word) {
    if (word.empty() || text.size() < word.size())
        return false;
    if (!equalsIgnoringAsciiCase(text.substr(0, word.size()), word))
        return false;
    return text.size() == word.size() || !isAsciiAlnum(text[word.size()]);
}

// The make without the company words cameras write after the brand.
std::string_view brand(std::string_view make) {
    static constexpr std::array<std::string_view, 8> kCompanyWords = {
        " IMAGING CORP.", " CORPORATION", " Corporation", " COMPANY",
        " Co., Ltd.",     " CO.,LTD",     " CO., LTD.",   " Inc."};
    for (std::string_view words : kCompanyWords)
        if (make.size() > words.size() && make.substr(make.size() - words.size()) == words)
            return trimmed(make.substr(0, make.size() - words.size()));
    return make;
}

} // namespace

std::string tidyCameraName(std::string_view make, std::string_view model) {
    const std::string_view maker = brand(trimmed(make));
    const std::string_view camera = trimmed(model);
    std::string name;
    if (camera.empty())
        name = maker;
    else if (maker.empty() || startsWithWord(camera, maker.substr(0, maker.find(' '))))
        name = camera;
    else
        name = std::string(maker) + " " + std::string(camera);
    // Runs of spaces read as one.
    std::string tidy;
    for (char c : name)
        if (!(c == ' ' && !tidy.empty() && tidy.back() == ' '))
            tidy += c;
    return tidy;
}

CameraCatch::CameraCatch(bool wanted) : outer_(innermost), wanted_(wanted) {
    innermost = this;
}

CameraCatch::~CameraCatch() {
    innermost = outer_;
}

bool cameraWanted() {
    return innermost && innermost->wanted_;
}

void noteCamera(std::string_view make, std::string_view model) {
    if (cameraWanted() && innermost->camera_.empty())
        innermost->camera_ = tidyCameraName(make, model);
}

} // namespace orvane
