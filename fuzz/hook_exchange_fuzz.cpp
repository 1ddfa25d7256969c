// The hook exchange files as the library's procedures read them: whatever
// lies in the file, a read either takes whole numbers or leaves the values
// as they were.

#include "fuzz/fuzz_input.h"
#include "hooks/hook_exchange.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return 0;
    for (int count : { 2, 3, 4 }) {
        long values[4] = { -7, -7, -7, -7 };
        int rc = read_exchange_numbers(file.path(), count, values);
        if (rc != 0)
            for (long v : values)
                if (v != -7)
                    std::abort();  // a failed read changed what it was given
    }
    return 0;
}
