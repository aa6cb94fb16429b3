// Time per file of the date readers, by container, against the EXIF reader's JPEGs timed in
// the same run: `orvane_dates_bench [--repeat N] [--camera] FOLDER...` walks the folders,
// reads each regular file's date N times as a run does (the EXIF reader, then the others;
// with --camera as a run whose template names the camera), and prints microseconds a file
// for each kind with the ratio to JPEG.

#include "dates/ContainerKind.h"
#include "dates/ExifDate.h"
#include "dates/ExtendedDate.h"
#include "naming/CameraName.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Tally {
    double microseconds = 0;
    long reads = 0;
    long dated = 0;
    double datedMicroseconds = 0;
};

// Names a file by its first bytes, as the readers choose.
std::string kindOf(const std::string& path) {
    unsigned char head[64] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "?";
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8)
        return "JPEG";
    if (got >= 4 && (std::memcmp(head, "II*", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0))
        return "TIFF";
    if (got >= 8 && std::memcmp(head + 1, "PNG", 3) == 0)
        return "PNG";
    if (got >= 12 && std::memcmp(head + 8, "WEBP", 4) == 0)
        return "WebP";
    if (got >= 14 && std::memcmp(head + 6, "HEAPCCDR", 8) == 0)
        return "CRW";
    if (got >= 12 && std::memcmp(head + 4, "ftyp", 4) == 0) {
        const std::string brand(reinterpret_cast<const char*>(head + 8), 4);
        if (brand == "crx ")
            return "CR3";
        if (brand == "jxl ")
            return "JXL";
        if (brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1" ||
            brand == "avif" || brand == "avis" || brand == "hevc")
            return "HEIF/AVIF";
        return "movie";
    }
    if (got >= 12 && std::memcmp(head, "\0\0\0\x0cJXL ", 8) == 0)
        return "JXL";
    if (got >= 4 && std::memcmp(head, "IIU\0", 4) == 0)
        return "RW2";
    if (got >= 15 && std::memcmp(head, "FUJIFILMCCD-RAW", 15) == 0)
        return "RAF";
    switch (orvane::containerKind(head, got)) {
    case orvane::ContainerKind::StillImage:
        return "other image";
    case orvane::ContainerKind::Movie:
        return "movie";
    default:
        return "other";
    }
}

} // namespace

int main(int argc, char** argv) {
    int repeat = 20;
    bool each = false;
    bool camera = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
            continue;
        }
        if (std::strcmp(argv[i], "--each") == 0) {
            each = true;
            continue;
        }
        if (std::strcmp(argv[i], "--camera") == 0) {
            camera = true;
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i]))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::map<std::string, Tally> tallies;
    std::map<std::string, Tally> byFile;
    for (int round = 0; round < repeat; ++round) {
        for (const std::string& path : files) {
            struct stat status;
            if (::stat(path.c_str(), &status) != 0)
                continue;
            const auto start = std::chrono::steady_clock::now();
            const orvane::CameraCatch catchCamera(camera);
            time_t date = orvane::exifDateForPath(path.c_str(), status);
            if (date == -1)
                date = orvane::extendedDateForPath(path.c_str(), status);
            const std::chrono::duration<double, std::micro> took =
                std::chrono::steady_clock::now() - start;
            Tally& tally = tallies[kindOf(path)];
            tally.microseconds += took.count();
            ++tally.reads;
            tally.dated += date != -1;
            tally.datedMicroseconds += date != -1 ? took.count() : 0;
            byFile[path].microseconds += took.count();
            byFile[path].dated = date;
        }
    }
    if (each)
        for (const auto& [path, tally] : byFile)
            std::printf("%10.1f %-10s %ld %s\n", tally.microseconds / repeat, kindOf(path).c_str(),
                        tally.dated, path.c_str());
    // The peer: what the EXIF reader takes for a dated JPEG, timed in the same rounds.
    const auto jpeg = tallies.find("JPEG");
    const double jpegCost = jpeg == tallies.end() || jpeg->second.dated == 0
                                ? 0
                                : jpeg->second.datedMicroseconds / jpeg->second.dated;
    std::printf("%-12s %6s %6s %12s %14s %14s\n", "kind", "files", "dated", "us/file",
                "us/dated file", "dated vs JPEG");
    for (const auto& [kind, tally] : tallies) {
        const double dated = tally.dated ? tally.datedMicroseconds / tally.dated : 0;
        std::printf("%-12s %6ld %6ld %12.1f %14.1f %14.2f\n", kind.c_str(), tally.reads / repeat,
                    tally.dated / repeat, tally.microseconds / tally.reads, dated,
                    jpegCost > 0 ? dated / jpegCost : 0.0);
    }
    return 0;
}
