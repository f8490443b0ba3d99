#pragma once

#include <string>

namespace corvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TScratchDir {
 public:
  TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  ~TScratchDir();

  const std::string& Path() const { return FPath; }
  // Path of Name inside the folder.
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }
  // Copies Source into the folder as Name and returns the copy's path.
  std::string Copy(const std::string& Source, const std::string& Name) const;

 private:
  std::string FPath;
};

}  // namespace corvane::test
