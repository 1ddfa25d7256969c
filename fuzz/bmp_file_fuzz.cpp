// ".bmp" files as the whiteboard's pictures and shared bitmaps arrive: the
// reader, the picture made from what it read, and the GIF conversion.

#include "core/bitmap_file.h"
#include "core/ui/dib_image.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return 0;
    if (std::unique_ptr<PackedDib> dib = dib_read_bmp_file(file.path())) {
        if (!dib->valid())
            std::abort(); // the reader hands out only blocks whose rows fit
        QImage image = dib_to_qimage(*dib);
        (void)image;
        MemoryFile gif(nullptr, 0);
        if (gif.ok())
            convert_bmp_to_gif(file.path(), gif.path());
    }
    return 0;
}
