#pragma once

#include <string>
#include <vector>

namespace corvane {

// A shared library loaded by file name at run time and released with the object.
class TDynamicLibrary {
 public:
  TDynamicLibrary() = default;
  // Tries each candidate in order (a bare name uses the system's search path, a name with
  // a "/" is taken as a path); stays unloaded when none loads.
  explicit TDynamicLibrary(const std::vector<std::string>& Candidates);
  TDynamicLibrary(TDynamicLibrary&& Other) noexcept;
  TDynamicLibrary& operator=(TDynamicLibrary&& Other) noexcept;
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;
  ~TDynamicLibrary();

  bool Loaded() const { return FHandle != nullptr; }
  // The address of Name, or null when the library lacks it.
  void* Symbol(const char* Name) const;
  // Resolves Name into Pointer; false when missing.
  template <typename F>
  bool Resolve(const char* Name, F*& Pointer) const {
    Pointer = reinterpret_cast<F*>(Symbol(Name));
    return Pointer != nullptr;
  }

 private:
  void* FHandle = nullptr;
};

// The folder holding the running executable, with a trailing "/"; empty when unknown.
std::string ExecutableFolder();

// The file name of a library candidate ("libMACDll.so" of "/opt/corvane/libMACDll.so").
std::string LibraryFileName(const std::string& Candidate);
// "<FileName> library could not be loaded.": the error of a component whose library is missing.
std::string LibraryNotLoadedText(const std::string& FileName);

}  // namespace corvane
