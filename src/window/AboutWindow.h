#pragma once

#include <QLabel>
#include <QWidget>
#include <array>
#include <functional>

class QLineEdit;

namespace corvane {

// A picture that runs OnClick when clicked.
class TClickablePicture : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override;
};

// The About window: modeless, created hidden with the main window; closing it only hides it,
// so the next click on About shows the same window again.
class TAboutMe : public QWidget {
 public:
  static constexpr int kClientWidth = 292;
  static constexpr int kClientHeight = 333;

  explicit TAboutMe(QWidget* Parent = nullptr);

  void Image2Click();

  QLabel* Image1 = nullptr;
  std::array<QLineEdit*, 6> Edits{};  // Edit1 to Edit6
  TClickablePicture* Image2 = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
};

}  // namespace corvane
