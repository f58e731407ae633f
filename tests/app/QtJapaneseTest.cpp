// Qt's own texts in Japanese: the buttons of the title editor's question, the KnownCD
// folder picker and the colour dialog, as the program shows them once start-up loaded
// Qt's translation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/QtJapanese.h"
#include "dialogs/CDedit.h"
#include "dialogs/KCDcfg.h"
#include "support/QtApp.h"
#include "support/Require.h"
#include "support/TempDir.h"
#include "widgets/ClrDropBtn.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

// The texts of the standard buttons of the modal dialog that is open now.
QStringList ButtonTexts() {
    QStringList texts;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        for (const QAbstractButton* b : modal->findChildren<QAbstractButton*>())
            if (!b->text().isEmpty())
                texts << b->text();
    }
    return texts;
}

// Runs `look` on the modal dialog of type T once it is open, then rejects it.
template <typename T>
void WhenOpen(QObject* context, std::function<void(T&)> look) {
    QTimer::singleShot(50, context, [context, look] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            WhenOpen<T>(context, look);
            return;
        }
        look(*dialog);
        dialog->reject();
    });
}

TEST(QtJapaneseTest, QtsOwnTextsAreJapanese) {
    QApplication& app = test::App();
    std::string error;
    LINTEL_REQUIRE(LoadQtJapanese(app, error), "Qt's Japanese texts (" + error + ")");
    const QStringList english = {"&Yes", "&No", "Cancel", "&Cancel", "&Open", "&Choose"};
    auto noEnglish = [&](const QStringList& texts) {
        EXPECT_FALSE(texts.isEmpty());
        for (const QString& text : texts)
            EXPECT_FALSE(english.contains(text)) << text.toStdString();
    };

    // The question at OK of the title editor.
    test::TempDir dir;
    TIniStore store(dir.File("lintel.ini"));
    TfrmCDEdit editor(&store, nullptr);
    editor.Load({"title=A"}, 1);
    editor.show();
    editor.edtTitle->setText(QString::fromUtf8("\xE2\x98\x83"));
    WhenOpen<QMessageBox>(&editor, [&](QMessageBox&) { noEnglish(ButtonTexts()); });
    QTest::mouseClick(editor.OKBtn, Qt::LeftButton);
    EXPECT_FALSE(editor.LastQuestion().isEmpty());

    // The KnownCD folder picker, with its own caption.
    TfrmKCDcfg known(&store, nullptr);
    known.show();
    QString caption;
    WhenOpen<QFileDialog>(&known, [&](QFileDialog& picker) {
        caption = picker.windowTitle();
        noEnglish(ButtonTexts());
    });
    QTest::mouseClick(known.bbtFolderSelect, Qt::LeftButton);
    EXPECT_EQ(caption, Text("KnownCDデータのフォルダ"));

    // The colour dialog behind the palette's "&Other".
    QWidget host;
    auto* button = new TColorDropButton(&host);
    host.show();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_NE(button->DropPalette(), nullptr);
    WhenOpen<QColorDialog>(&host, [&](QColorDialog&) { noEnglish(ButtonTexts()); });
    QTest::mouseClick(button->DropPalette()->BtnOther(), Qt::LeftButton);
}

}  // namespace
}  // namespace lintel
