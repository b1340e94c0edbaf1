#include "files/TAtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>


namespace {

mode_t CreationMode() {
    static mode_t mode = [] {
        const mode_t mask = umask(022);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

}  // namespace

TAtomicFile::TAtomicFile(const std::string& name) : MbrStrName(name), MbrStrTarget(name) {
    CreationMode();
    struct stat info;
    if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        MbrBolInPlace = true;
        return;
    }
    mode_t mode = CreationMode();
    if (::stat(name.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
        struct stat link;
        if (::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char* real = ::realpath(name.c_str(), nullptr);
            if (real) {
                MbrStrTarget = real;
                std::free(real);
            }
        }
    }
    std::string pattern = MbrStrTarget + ".tmpXXXXXX";
    MbrIntFd = ::mkstemp(&pattern[0]);
    if (MbrIntFd < 0) throw std::string("Unable to open file ") + name;
    MbrStrTemp = pattern;
    if (::fchmod(MbrIntFd, mode) != 0) {
        Discard();
        throw std::string("Unable to open file ") + name;
    }
}

TAtomicFile::~TAtomicFile() {
    if (!MbrBolDone) Discard();
}

void TAtomicFile::Discard() {
    if (MbrIntFd >= 0) ::close(MbrIntFd);
    MbrIntFd = -1;
    if (!MbrStrTemp.empty()) ::unlink(MbrStrTemp.c_str());
    MbrStrTemp.clear();
    MbrBolDone = true;
}

void TAtomicFile::Fail() {
    Discard();
    throw std::string("Unable to write file ") + MbrStrName;
}

void TAtomicFile::Write(const char* data, size_t size) {
    if (MbrBolDone) Fail();
    if (MbrBolInPlace) {
        MbrStrInPlace.append(data, size);
        return;
    }
    if (!WriteAll(MbrIntFd, data, size)) Fail();
}

void TAtomicFile::Commit() {
    if (MbrBolDone) Fail();
    if (MbrBolInPlace) {
        MbrBolDone = true;
        const int fd = ::open(MbrStrName.c_str(), O_WRONLY | O_TRUNC | O_CREAT, CreationMode());
        if (fd < 0) throw std::string("Unable to open file ") + MbrStrName;
        const bool written = WriteAll(fd, MbrStrInPlace.data(), MbrStrInPlace.size());
        const bool closed = ::close(fd) == 0;
        MbrStrInPlace.clear();
        if (!written || !closed) throw std::string("Unable to write file ") + MbrStrName;
        return;
    }
    const int fd = MbrIntFd;
    MbrIntFd = -1;
    if (::close(fd) != 0) Fail();
    if (::rename(MbrStrTemp.c_str(), MbrStrTarget.c_str()) != 0) Fail();
    MbrStrTemp.clear();
    MbrBolDone = true;
}

