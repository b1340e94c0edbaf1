#ifndef KORVEL_FILES_TATOMICFILE_H
#define KORVEL_FILES_TATOMICFILE_H

#include <string>

// An output file that replaces its target atomically. The text goes to a
// temporary file in the target's folder; Commit renames it over the target,
// so a reader never sees a half-written file, and a write that fails, or an
// object destroyed without Commit, leaves the target as it was and removes
// the temporary file. The new file keeps the mode of the file it replaces
// (a new file gets 0666 less the umask); a symbolic link is kept and the file
// it points to is replaced.
//
// A target that exists and is not a regular file (a FIFO, a terminal,
// /dev/stdout) cannot be replaced: its text is kept in memory and written
// into it in place by Commit.
//
// Failures throw std::string: "Unable to open file <name>" when the file
// cannot be created, "Unable to write file <name>" when a write, the close or
// the rename fails (a full disk, an I/O error).
class TAtomicFile {
public:
    explicit TAtomicFile(const std::string& name);
    ~TAtomicFile();

    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    void Write(const char* data, size_t size);
    void Commit();

private:
    void Fail();
    void Discard();

    std::string MbrStrName;
    std::string MbrStrTarget;
    std::string MbrStrTemp;
    std::string MbrStrInPlace;
    int MbrIntFd = -1;
    bool MbrBolInPlace = false;
    bool MbrBolDone = false;
};

#endif
