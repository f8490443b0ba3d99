#include "ACSInput.h"

#include <algorithm>

namespace corvane {

TACSInput::~TACSInput() {
  DetachUsers();
}

void TACSInput::DetachUsers() {
  // Users may drop their reference through their own setters, which call RemoveUser: work on
  // a copy, and forget them all afterwards, so none is told twice.
  const auto users = FUsers;
  for (TACSInputUser* user : users) user->InputRemoved(this);
  FUsers.clear();
}

int64_t TACSInput::TotalTime() {
  return 0;
}

void TACSInput::ForceFinish() {
  try {
    EndRead();
  } catch (...) {
  }
  FBusy = false;
}

void TACSInput::AddUser(TACSInputUser* User) {
  if (std::find(FUsers.begin(), FUsers.end(), User) == FUsers.end()) FUsers.push_back(User);
}

void TACSInput::RemoveUser(TACSInputUser* User) {
  FUsers.erase(std::remove(FUsers.begin(), FUsers.end(), User), FUsers.end());
}

}  // namespace corvane
