// A file-size limit for the test process, as a full disk: every write beyond the limit fails
// with EFBIG (in every thread) instead of ending the process, until the limit goes out of
// scope. It works the same for root, whom permissions do not stop.
#pragma once

#include <sys/resource.h>
#include <csignal>

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    struct rlimit old_ = {};
    void (*previous_)(int) = nullptr;
};
