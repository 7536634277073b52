// SPDX-License-Identifier: MIT
// An environment variable set for one test and taken away again, so a test
// that points the program at a fake machine leaves the next test a real one.
#pragma once

#include <stdlib.h>

#include <string>

namespace quillfen::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
    ~ScopedEnv() { unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
};

}  // namespace quillfen::test
