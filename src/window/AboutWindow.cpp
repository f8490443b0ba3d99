#include "AboutWindow.h"

#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>

#include "AppTexts.h"
#include "FLACBinding.h"
#include "FormStyle.h"
#include "Language.h"
#include "MACBinding.h"

namespace corvane {

void TClickablePicture::mouseReleaseEvent(QMouseEvent* Event) {
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
  QLabel::mouseReleaseEvent(Event);
}

TAboutMe::TAboutMe(QWidget* Parent) : QWidget(Parent) {
  setObjectName(QStringLiteral("AboutMe"));
  setWindowTitle(TextOf(texts::kAboutCaption));
  ApplyFormStyle(*this, kClientWidth, kClientHeight);

  // The background is a JPEG, read through Qt's JPEG plugin and scaled to the picture's box
  // keeping its proportions.
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, -56, 324, 852);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QImageReader reader(QStringLiteral(":/artwork/about.jpg"), "jpeg");
  const QImage background = reader.read();
  if (!background.isNull()) {
    Image1->setPixmap(QPixmap::fromImage(
        background.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }

  for (size_t i = 0; i < Edits.size(); ++i) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
    edit->setReadOnly(true);
    Edits[i] = edit;
  }
  // As wide as the window leaves room for: the licence line needs 203 pixels.
  for (size_t i = 0; i < 5; ++i) {
    Edits[i]->setGeometry(80, 56 + 32 * static_cast<int>(i), 208, 21);
    Edits[i]->setText(TextOf(texts::kAboutLines[i]));
  }
  // The files the program loaded, by the names a user would look for.
  Edits[1]->setText(Edits[1]->text().arg(QString::fromStdString(MACDllFileName()),
                                         QString::fromStdString(LibFLACFileName())));
  // A line longer than its field shows its beginning, not its end.
  for (QLineEdit* edit : Edits) edit->setCursorPosition(0);
  Edits[5]->setGeometry(111, 222, 121, 21);
  Edits[5]->setText(TextOf(texts::kAboutVersion));

  Image2 = new TClickablePicture(this);
  Image2->setObjectName(QStringLiteral("Image2"));
  Image2->setGeometry(208, 264, 57, 41);
  Image2->setPixmap(QPixmap(QStringLiteral(":/artwork/close.png")));
  Image2->setCursor(Qt::PointingHandCursor);
  Image2->OnClick = [this] { Image2Click(); };
}

void TAboutMe::Image2Click() {
  close();
}

void TAboutMe::keyPressEvent(QKeyEvent* Event) {
  // The keys that put a dialog away. The read-only fields pass them on to here.
  if (Event->key() == Qt::Key_Escape || Event->key() == Qt::Key_Return ||
      Event->key() == Qt::Key_Enter) {
    close();
    return;
  }
  QWidget::keyPressEvent(Event);
}

}  // namespace corvane
