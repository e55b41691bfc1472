#include "common/compression.h"

Compression choose_compression(const char* setting, Compression (*by_rule)(),
                               Compression (*runnable)(), Compression portable) {
    Compression processor;
    if (setting != nullptr && std::strcmp(setting, "portable") == 0) {
        processor = nullptr;
    } else if (setting != nullptr && std::strcmp(setting, "hardware") == 0) {
        processor = runnable();
    } else {
        processor = by_rule();
    }
    return processor != nullptr ? processor : portable;
}
