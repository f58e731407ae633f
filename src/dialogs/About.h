// The version information dialog: fixed texts and one OK button, opened modally from
// the bar's menu.
#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QFrame;

namespace lintel {

class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* owner = nullptr);

    QLabel* ProductName() const { return productName_; }
    QLabel* Version() const { return version_; }
    QPushButton* OKButton() const { return okButton_; }
    QFrame* Panel() const { return panel_; }

private:
    QFrame* panel_ = nullptr;
    QLabel* productName_ = nullptr;
    QLabel* version_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace lintel
