#pragma once

// libheif, loaded the first time a HEIF or AVIF file needs it. Linked into the program, it and
// the codecs it brings along (x265, libde265, dav1d, aom) took every start of the command line
// about 3 ms, although most runs meet no such file and most such files are dated without it.

#include <libheif/heif.h>

namespace orvane {

// The functions used, named without their "heif_" prefix.
#define ORVANE_HEIF_FUNCTIONS(F)                                                                   \
    F(context_alloc)                                                                               \
    F(context_free)                                                                                \
    F(context_read_from_file)                                                                      \
    F(context_read_from_memory_without_copy)                                                       \
    F(context_get_primary_image_handle)                                                            \
    F(image_handle_release)                                                                        \
    F(image_handle_get_width)                                                                      \
    F(image_handle_get_height)                                                                     \
    F(image_handle_get_number_of_metadata_blocks)                                                  \
    F(image_handle_get_list_of_metadata_block_IDs)                                                 \
    F(image_handle_get_metadata_size)                                                              \
    F(image_handle_get_metadata)                                                                   \
    F(image_handle_get_number_of_thumbnails)                                                       \
    F(image_handle_get_list_of_thumbnail_IDs)                                                      \
    F(image_handle_get_thumbnail)                                                                  \
    F(decode_image)                                                                                \
    F(image_release)                                                                               \
    F(image_get_width)                                                                             \
    F(image_get_height)                                                                            \
    F(image_get_plane_readonly)                                                                    \
    F(image_scale_image)                                                                           \
    F(image_crop)

struct HeifLibrary {
#define ORVANE_HEIF_POINTER(name) decltype(&heif_##name) name = nullptr;
    ORVANE_HEIF_FUNCTIONS(ORVANE_HEIF_POINTER)
#undef ORVANE_HEIF_POINTER
};

// The library, loaded on the first call; none when it is missing or lacks a function (logged
// once): HEIF files are then dated by the other readers and shown without a thumbnail.
const HeifLibrary* heifLibrary();

} // namespace orvane
