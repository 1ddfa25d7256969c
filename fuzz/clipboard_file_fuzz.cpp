// The clipboard file (".nclp") read back onto the clipboard.

#include "core/ui/clipboard_file.h"
#include "fuzz/fuzz_input.h"

#include <QGuiApplication>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFile file(data, size);
    if (file.ok())
        clipboard_load_from_file(file.path());
    return 0;
}
