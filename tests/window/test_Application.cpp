#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <stdexcept>

#include "EngineTestSupport.h"
#include "Application.h"
#include "FLACBinding.h"
#include "MACDll.h"
#include "Program.h"

namespace corvane {
namespace {

using test::ShownErrors;

class TThrowingObject : public QObject {
 public:
  bool event(QEvent*) override { throw std::runtime_error("Cannot open file 'x.cue'"); }
};

class ApplicationTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }
};

TEST_F(ApplicationTest, ErrorsEscapingAnEventHandlerAreShown) {
  TThrowingObject object;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
  EXPECT_EQ(ShownErrors(), QStringList{QStringLiteral("Cannot open file 'x.cue'")});
}

TEST_F(ApplicationTest, WithoutTheDecoderLibraryTheProgramSaysSoAndEnds) {
  UnloadMACDll();
  const int status = RunMainWindow(*qApp);
  EXPECT_TRUE(LoadMACDll());
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ShownErrors(),
            QStringList{QStringLiteral("libMACDll.so library could not be loaded.")});
}

TEST_F(ApplicationTest, WithoutLibFlacTheProgramSaysSoAndEnds) {
  UnloadLibFLAC();
  const int status = RunMainWindow(*qApp);
  EXPECT_TRUE(LoadLibFLAC());
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ShownErrors(),
            QStringList{QStringLiteral("libFLAC.so.12 library could not be loaded.")});
}

TEST_F(ApplicationTest, QtsOwnDialogsSpeakChinese) {
  const std::pair<const char*, const char*> texts[] = {
      {"QPlatformTheme", "Cancel"}, {"QFileDialog", "Look in:"}, {"QFileDialog", "File &name:"}};
  for (const auto& [context, english] : texts) {
    const QString shown = QCoreApplication::translate(context, english);
    EXPECT_NE(shown, QString::fromLatin1(english));
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) {
      return c.unicode() >= 0x4E00;
    })) << shown.toStdString();
  }
}

TEST_F(ApplicationTest, PicturesAreCompiledIn) {
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/banner.png")).size(), QSize(433, 41));
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/small.png")).size(), QSize(57, 49));
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/close.png")).size(), QSize(57, 41));
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/icon.png")).size(), QSize(256, 256));
  QImageReader jpeg(QStringLiteral(":/artwork/about.jpg"));
  EXPECT_EQ(jpeg.format(), QByteArray("jpeg"));
  EXPECT_EQ(jpeg.read().size(), QSize(324, 852));
}

}  // namespace
}  // namespace corvane
