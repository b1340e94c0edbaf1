#include "util/TMessageStore.h"

#include <mutex>
#include <set>

const char* TMessageStore::Keep(const std::string& message) {
    static std::mutex lock;
    static std::set<std::string>* kept = new std::set<std::string>();  // never freed: pointers outlive exit handlers
    std::lock_guard<std::mutex> guard(lock);
    return kept->insert(message).first->c_str();
}
