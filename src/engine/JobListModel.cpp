#include "JobListModel.h"

#include <QString>
#include <algorithm>

namespace corvane {

int TJobListModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : Count();
}

QVariant TJobListModel::data(const QModelIndex& Index, int Role) const {
  if (!Index.isValid() || Index.row() >= Count()) return {};
  const TJob& job = At(Index.row());
  if (Role == Qt::DisplayRole || Role == Qt::ToolTipRole) return QString::fromStdString(job.Text);
  if (Role == KindRole) return static_cast<int>(job.Kind);
  return {};
}

void TJobListModel::Append(TJob Job) {
  beginInsertRows(QModelIndex(), Count(), Count());
  FJobs.push_back(std::move(Job));
  endInsertRows();
}

void TJobListModel::Insert(int Row, TJob Job) {
  Row = std::clamp(Row, 0, Count());
  beginInsertRows(QModelIndex(), Row, Row);
  FJobs.insert(FJobs.begin() + Row, std::move(Job));
  endInsertRows();
}

void TJobListModel::RemoveAt(int Row) {
  if (Row < 0 || Row >= Count()) return;
  beginRemoveRows(QModelIndex(), Row, Row);
  FJobs.erase(FJobs.begin() + Row);
  endRemoveRows();
}

void TJobListModel::Replace(int Row, TJob Job) {
  if (Row < 0 || Row >= Count()) return;
  TJob& slot = FJobs[static_cast<size_t>(Row)];
  Job.Output = std::move(slot.Output);
  slot = std::move(Job);
  emit dataChanged(index(Row), index(Row));
}

void TJobListModel::Clear() {
  if (FJobs.empty()) return;
  beginResetModel();
  FJobs.clear();
  endResetModel();
}

bool TJobListModel::Contains(const std::string& Text) const {
  return std::any_of(FJobs.begin(), FJobs.end(), [&](const TJob& Job) { return Job.Text == Text; });
}

void TJobListModel::SetOutput(int Row, std::string Output) {
  FJobs.at(static_cast<size_t>(Row)).Output = std::move(Output);
}

std::vector<std::string> TJobListModel::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(FJobs.size());
  for (const TJob& job : FJobs) lines.push_back(job.Text);
  return lines;
}

}  // namespace corvane
