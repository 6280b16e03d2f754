#pragma once

#include <fstream>
#include <string>

namespace morvalen::bench {

// Resets the process's high-water mark of resident memory to what is resident now (Linux).
inline void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The high-water mark of resident memory since the last reset: VmHWM of /proc/self/status,
// in MB.
inline double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

} // namespace morvalen::bench
