#pragma once

namespace orvane {

// Makes exiv2 ready for use from several threads, once per process: its messages go to the
// debug log, its XMP parser is initialised, and ISO-BMFF files (CR3, HEIF) are read where
// the library was built for them. Call before any other exiv2 use.
void initialiseExiv2();

} // namespace orvane
