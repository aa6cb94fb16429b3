#pragma once

#include <string>
#include <string_view>

namespace orvane {

// What {camera} gives for a file that names no camera.
inline constexpr const char* kUnknownCamera = "Unknown camera";

// The camera as people name it, from the EXIF make and model: spaces and NULs trimmed,
// the maker's company words dropped ("OLYMPUS IMAGING CORP." is "OLYMPUS"), and the make
// left out where the model repeats it ("Canon" and "Canon EOS R5" give "Canon EOS R5").
// Empty when both are empty.
std::string tidyCameraName(std::string_view make, std::string_view model);

// While a CameraCatch lives on a thread, the date readers on that thread note the make and
// model they meet in the metadata they read anyway, so that naming by camera costs no second
// read of the file. Readers call noteCamera only when cameraWanted().
class CameraCatch {
  public:
    explicit CameraCatch(bool wanted = true);
    ~CameraCatch();
    CameraCatch(const CameraCatch&) = delete;
    CameraCatch& operator=(const CameraCatch&) = delete;

    // The tidied camera noted since the catch began; empty when none was.
    const std::string& camera() const { return camera_; }

  private:
    friend void noteCamera(std::string_view make, std::string_view model);
    friend bool cameraWanted();
    CameraCatch* outer_;
    bool wanted_;
    std::string camera_;
};

bool cameraWanted();
// Keeps the first camera noted for the innermost catch of this thread.
void noteCamera(std::string_view make, std::string_view model);

} // namespace orvane
