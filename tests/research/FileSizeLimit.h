#pragma once

// A disk that fills up, for one test: the process may write no file beyond a few bytes (the
// writes fail as on a full disk), until the limit goes out of scope.
#include <sys/resource.h>

#include <csignal>

namespace morvalen::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_before);
        // Past the limit the system sends SIGXFSZ, which would end the process; ignored, the
        // write fails with EFBIG instead.
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

} // namespace morvalen::test
