#pragma once

#include <QString>
#include <optional>

namespace corvane {

// Makes the folder the output field names, parents included, as a batch is about to write into
// it: a folder typed that is not there yet is one the user means to have. Nothing to make when
// the field says 原文件目录 (beside each source). Returns the message to show when it cannot be
// made, naming the folder and the system's reason.
std::optional<QString> MakeOutputFolder(const QString& FieldText);

}  // namespace corvane
