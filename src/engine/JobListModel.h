#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

#include "Job.h"

namespace corvane {

// The job list: line 0 is the job being converted while a batch runs. The view shows the
// texts; the kind of each line travels with it. Used on the user-interface thread only.
class TJobListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // The line's TJobKind, as an int.
  static constexpr int KindRole = Qt::UserRole + 1;

  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;

  int Count() const { return static_cast<int>(FJobs.size()); }
  const TJob& At(int Row) const { return FJobs.at(static_cast<size_t>(Row)); }
  void Append(TJob Job);
  void Insert(int Row, TJob Job);
  void RemoveAt(int Row);
  // Puts Job in line Row (the same job read again); the output planned for the line stays.
  void Replace(int Row, TJob Job);
  void Clear();
  // True when a line equals Text exactly: Song.ape and song.ape are two files on Linux.
  bool Contains(const std::string& Text) const;
  // Records the file the job of Row will write.
  void SetOutput(int Row, std::string Output);
  std::vector<std::string> Lines() const;

 private:
  std::vector<TJob> FJobs;
};

}  // namespace corvane
