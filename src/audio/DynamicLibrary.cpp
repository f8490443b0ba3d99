#include "DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <utility>

namespace corvane {

TDynamicLibrary::TDynamicLibrary(const std::vector<std::string>& Candidates) {
  for (const std::string& name : Candidates) {
    FHandle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (FHandle != nullptr) return;
  }
}

TDynamicLibrary::TDynamicLibrary(TDynamicLibrary&& Other) noexcept
    : FHandle(std::exchange(Other.FHandle, nullptr)) {}

TDynamicLibrary& TDynamicLibrary::operator=(TDynamicLibrary&& Other) noexcept {
  if (this != &Other) {
    if (FHandle != nullptr) ::dlclose(FHandle);
    FHandle = std::exchange(Other.FHandle, nullptr);
  }
  return *this;
}

TDynamicLibrary::~TDynamicLibrary() {
  if (FHandle != nullptr) ::dlclose(FHandle);
}

void* TDynamicLibrary::Symbol(const char* Name) const {
  return FHandle == nullptr ? nullptr : ::dlsym(FHandle, Name);
}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string folder(path, static_cast<size_t>(length));
  const auto slash = folder.rfind('/');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string LibraryFileName(const std::string& Candidate) {
  const auto slash = Candidate.rfind('/');
  return slash == std::string::npos ? Candidate : Candidate.substr(slash + 1);
}

std::string LibraryNotLoadedText(const std::string& FileName) {
  return FileName + " library could not be loaded.";
}

}  // namespace corvane
