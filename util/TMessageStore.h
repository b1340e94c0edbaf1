#ifndef KORVEL_UTIL_TMESSAGESTORE_H
#define KORVEL_UTIL_TMESSAGESTORE_H

#include <string>

// Keeps composed error messages alive for the life of the process, so that
// a message naming a file, row or token can be thrown as a plain
// `const char*` like every fixed message. Equal texts share one copy, so a
// message repeated in a loop costs its memory once. Safe to use from any
// thread.
class TMessageStore {
public:
    static const char* Keep(const std::string& message);
};

#endif
