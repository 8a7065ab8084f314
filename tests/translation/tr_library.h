// The translation library loaded by path, as the program loads it, with every
// entry point looked up by its exported name.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "translation/Hemzshift8.h"

namespace trtest {

struct Library {
    void* handle = nullptr;
    decltype(&DLL_HEMZSHIFT_INIT) init = nullptr;
    decltype(&DLL_HEMZSHIFT) forward = nullptr;
    decltype(&DLL_HEMZSHIFT_TO_HMZVERSION) to_version = nullptr;
    decltype(&DLL_HEMZSHIFT_ALL) all = nullptr;
    decltype(&DLL_HEMZSHIFT_GET_DETAIL) detail = nullptr;
    decltype(&DLL_HEMZSHIFT_CHECK_LOCN) check = nullptr;
    decltype(&DLL_HEMZSHIFT_SEG34) seg34 = nullptr;
    decltype(&DLL_HEMZSHIFT_GET_LAST_TARGET) last_target = nullptr;
    decltype(&DLL_HEMZSHIFT_GET_END_DATE) end_date = nullptr;
    decltype(&DLL_HEMZSHIFT_GET_ERROR) error = nullptr;
};

template <class F>
void bind_export(void* h, const char* name, F& f) {
    f = reinterpret_cast<F>(::dlsym(h, name));
    ASSERT_NE(f, nullptr) << name;
}

// Fails the calling test (use under ASSERT_NO_FATAL_FAILURE) when the library
// or any entry point is missing.
inline void load_library(const char* path, Library& lib) {
    lib.handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib.handle, nullptr) << ::dlerror();
    bind_export(lib.handle, "DLL_HEMZSHIFT_INIT", lib.init);
    bind_export(lib.handle, "DLL_HEMZSHIFT", lib.forward);
    bind_export(lib.handle, "DLL_HEMZSHIFT_TO_HMZVERSION", lib.to_version);
    bind_export(lib.handle, "DLL_HEMZSHIFT_ALL", lib.all);
    bind_export(lib.handle, "DLL_HEMZSHIFT_GET_DETAIL", lib.detail);
    bind_export(lib.handle, "DLL_HEMZSHIFT_CHECK_LOCN", lib.check);
    bind_export(lib.handle, "DLL_HEMZSHIFT_SEG34", lib.seg34);
    bind_export(lib.handle, "DLL_HEMZSHIFT_GET_LAST_TARGET", lib.last_target);
    bind_export(lib.handle, "DLL_HEMZSHIFT_GET_END_DATE", lib.end_date);
    bind_export(lib.handle, "DLL_HEMZSHIFT_GET_ERROR", lib.error);
}

}  // namespace trtest
