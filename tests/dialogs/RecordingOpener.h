// A help opener that keeps the addresses it is asked to show instead of starting a browser.
#pragma once

#include <QUrl>
#include <vector>

#include "dialogs/Help.h"

namespace lintel::test {

class RecordingOpener : public THelpOpener {
public:
    bool Open(const QUrl& address) override {
        opened.push_back(address);
        return answer;
    }
    std::vector<QUrl> opened;
    /// What Open answers: false stands for a desktop that could start no browser.
    bool answer = true;
};

}  // namespace lintel::test
