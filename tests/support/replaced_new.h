// The global operator new and delete of a program that fails allocations on
// purpose (the out-of-memory tests, the allocation sweep). A program that
// links replaced_new.cpp defines failThisNew; operator new throws
// std::bad_alloc, and its nothrow form returns null, when it says so.
//
// Allocations the emulated Windows makes are never to be failed: Windows
// reports running out of memory through its own results, so a failure
// injected there would test the emulation. The programs tell them apart by
// the call stack, and export their symbols so that dladdr can name them.
#pragma once

namespace tamo::test {

// Defined by the program: whether this allocation is to fail.
bool failThisNew(bool nothrow);

// Whether the mangled symbol `name` is a Win32 function (a global C++
// function whose name starts with a capital or an underscore, like
// _wfopen) or the emulation's own code (namespace emulated).
bool isPlatformSymbol(const char* name);

// Whether any frame of the current call stack is such a symbol.
bool calledFromPlatform();

}  // namespace tamo::test
