#pragma once
// Reading at an offset, whole: the loop over short reads and interrupted calls that every
// reader of a file descriptor needs. Any thread.

#include <unistd.h>

#include <cerrno>
#include <cstdint>

// Reads up to length bytes at offset into buffer; fewer only at the end of the file.
// Returns the count, or -1 with errno set.
inline std::int64_t readFullyAt(int fd, std::int64_t offset, void* buffer, std::int64_t length) {
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n =
            ::pread(fd, static_cast<char*>(buffer) + done, static_cast<size_t>(length - done),
                    static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}
