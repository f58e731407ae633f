// The title look-up from the bar's menu against a stand-in of the web service that the
// test runs on 127.0.0.1, answering with JSON in the service's format.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>

#include "app/BarFixture.h"
#include "app/TitleSearch.h"
#include "app/TrackMenus.h"
#include "dialogs/CDedit.h"
#include "dialogs/LookupResults.h"
#include "platform/Cp932.h"
#include "platform/MusicBrainzDiscId.h"
#include "platform/VirtualDisc.h"

namespace lintel::test {
namespace {

// Answers each request with what `answer` gives; an empty answer holds the request.
class StandIn {
public:
    StandIn() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
                    buffer_ += socket->readAll();
                    if (!buffer_.contains("\r\n\r\n"))
                        return;
                    requests.push_back(buffer_);
                    buffer_.clear();
                    const QByteArray response = answer();
                    if (response.isEmpty())
                        held_ = socket;
                    else
                        socket->write(response);
                });
            }
        });
    }
    QString Address() const { return "http://127.0.0.1:" + QString::number(server_.serverPort()); }
    void AnswerHeld(const QByteArray& response) { held_->write(response); }

    static QByteArray Http(int status, const QByteArray& body) {
        return "HTTP/1.1 " + QByteArray::number(status) +
               " X\r\nContent-Type: application/json\r\n" +
               "Content-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    std::function<QByteArray()> answer;
    std::vector<QByteArray> requests;

private:
    QTcpServer server_;
    QByteArray buffer_;
    QTcpSocket* held_ = nullptr;
};

QByteArray ReleaseJson(const std::string& discId, const char* title, const char* artist,
                       std::vector<const char*> tracks) {
    QByteArray names;
    for (const char* t : tracks)
        names += QByteArray(names.isEmpty() ? "" : ",") + R"({"title":")" + t + R"("})";
    return QByteArray(R"({"title":")") + title + R"(","date":"2004-06-02","country":"JP",)" +
           R"("artist-credit":[{"name":")" + artist + R"(","joinphrase":""}],)" +
           R"("media":[{"track-count":)" + QByteArray::number(static_cast<int>(tracks.size())) +
           R"(,"discs":[{"id":")" + QByteArray::fromStdString(discId) + R"("}],"tracks":[)" +
           names + "]}]}";
}

class TitleLookupTest : public BarFixture {
protected:
    void SetUp() override {
        BarFixture::SetUp();
        discId_ = *MusicBrainzDiscId(ParseVirtualDisc(kTwoTracks).disc->toc);
        StartWith("[Lookup]\r\nServer=" + service_.Address().toStdString() + "\r\n");
        WatchDialogs();
    }

    static std::string J(std::string_view utf8) { return cp932::Literal(utf8); }
    QByteArray Answer(const std::vector<QByteArray>& releases) {
        QByteArray list;
        for (const QByteArray& r : releases) list += (list.isEmpty() ? "" : ",") + r;
        return StandIn::Http(200, R"({"id":")" + QByteArray::fromStdString(discId_) +
                                      R"(","releases":[)" + list + "]}");
    }

    /// Right click on the bar, then "L" in its menu, as the user chooses the item.
    void ChooseLookup() {
        QMenu* menu = bar_->Menus().ppmRight();
        const QPoint where = bar_->mapToGlobal(QPoint(20, 2));
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 2), where);
        QApplication::sendEvent(bar_.get(), &request);
        ASSERT_TRUE(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_L);
    }

    /// Hands each modal dialog other than a message box to `onDialog` once, when it opens.
    void WatchDialogs() {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == current_)
                return;
            current_ = dialog;
            if (dialog != nullptr && qobject_cast<QMessageBox*>(dialog) == nullptr) {
                ++dialogs_;
                onDialog(dialog);
            }
        });
        poll_.start();
    }

    std::function<void(QWidget*)> onDialog = [](QWidget*) {};
    int dialogs_ = 0;

    std::string Stored(const char* key) {
        return Settings().ReadString(bar_->Engine().DiscId(), key, "?");
    }

    StandIn service_;
    std::string discId_;
    QTimer poll_;
    QWidget* current_ = nullptr;
};

// One match: the request is the service's, the editor opens filled, OK stores the titles.
TEST_F(TitleLookupTest, OneMatchFillsTheEditorAndOkStores) {
    service_.answer = [&] {
        return Answer({ReleaseJson(discId_, "青い空", "山田楽団", {"朝", "夜"})});
    };
    EXPECT_FALSE(bar_->TitleSearch().Busy());  // nothing goes out before the user asks
    EXPECT_TRUE(bar_->Menus().pmnLookup->isEnabled());
    for (QAction* item : bar_->Menus().ppmLeft()->actions())  // the bar's menu only
        EXPECT_NE(item->text(), bar_->Menus().pmnLookup->text());
    bool filled = false;
    onDialog = [&](QWidget* dialog) {
        auto* editor = dynamic_cast<TfrmCDEdit*>(dialog);
        ASSERT_NE(editor, nullptr);
        filled = editor->edtTitle->text() == QString::fromUtf8("青い空") &&
                 editor->edtArtist->text() == QString::fromUtf8("山田楽団") &&
                 editor->edtTrack->text() == QString::fromUtf8("朝");
        QTest::mouseClick(editor->OKBtn, Qt::LeftButton);
    };
    ChooseLookup();
    ASSERT_TRUE(PumpUntil([&] { return Stored("title") != "new disk"; }));
    EXPECT_TRUE(filled);
    ASSERT_EQ(service_.requests.size(), 1u);
    EXPECT_TRUE(service_.requests[0].startsWith(
        "GET /ws/2/discid/" + QByteArray::fromStdString(discId_) +
        "?inc=artist-credits+recordings&cdstubs=no&fmt=json HTTP/1.1\r\n"));
    EXPECT_TRUE(service_.requests[0].contains("\r\nUser-Agent: Lintel/0.1 ("));
    EXPECT_EQ(Stored("title"), J("青い空"));
    EXPECT_EQ(Stored("artist"), J("山田楽団"));
    EXPECT_EQ(Stored("1"), J("夜"));
    EXPECT_EQ(bar_->slbCDName()->Caption(), J("<青い空 / 山田楽団>"));
}

// Several: "[検索結果]" lists them; one with another track count cannot be chosen; the
// second line chosen with the keyboard fills the editor.
TEST_F(TitleLookupTest, SeveralMatchesLetTheUserChoose) {
    service_.answer = [&] {
        return Answer({ReleaseJson(discId_, "First", "A", {"a1", "a2"}),
                       ReleaseJson(discId_, "Second", "B", {"b1", "b2"}),
                       ReleaseJson(discId_, "Longer", "C", {"c1", "c2", "c3"})});
    };
    bool greyed = false;
    QString title;
    onDialog = [&](QWidget* dialog) {
        if (auto* list = dynamic_cast<TfrmLookupResults*>(dialog)) {
            greyed = list->windowTitle() == QString::fromUtf8("[検索結果]") &&
                     list->lsvReleases->topLevelItemCount() == 3 &&
                     !(list->lsvReleases->topLevelItem(2)->flags() & Qt::ItemIsEnabled);
            QTest::keyClick(list->lsvReleases, Qt::Key_Down);
            QTest::keyClick(list->lsvReleases, Qt::Key_Down);  // the greyed line is passed over
            QTest::mouseClick(list->OKBtn, Qt::LeftButton);
        } else if (auto* editor = dynamic_cast<TfrmCDEdit*>(dialog)) {
            title = editor->edtTitle->text();
            QTest::mouseClick(editor->OKBtn, Qt::LeftButton);
        }
    };
    ChooseLookup();
    ASSERT_TRUE(PumpUntil([&] { return Stored("title") != "new disk"; }));
    EXPECT_TRUE(greyed);
    EXPECT_EQ(title, "Second");
    EXPECT_EQ(Stored("0"), "b1");
}

// No match, and an answer that is not the service's: a message each, nothing stored.
TEST_F(TitleLookupTest, NoMatchAndMalformedAnswersAreReported) {
    service_.answer = [] { return StandIn::Http(404, R"({"error":"Not Found"})"); };
    ChooseLookup();
    ASSERT_TRUE(PumpUntil([&] { return !answerer_.texts.empty(); }));
    EXPECT_EQ(answerer_.texts.back(), QString::fromUtf8("見つかりませんでした"));

    service_.answer = [] { return StandIn::Http(200, "{\"releases\": [ {\"title\": "); };
    ChooseLookup();
    ASSERT_TRUE(PumpUntil([&] { return answerer_.texts.size() == 2; }));
    EXPECT_EQ(answerer_.texts.back(), QString::fromUtf8("検索できませんでした: ") +
                                          service_.Address() +
                                          QString::fromUtf8(" (応答を読めません)"));
    EXPECT_EQ(Stored("title"), "new disk");
    EXPECT_EQ(dialogs_, 0);
}

// A slow service: the bar's ticks go on meanwhile, and after ten seconds the time-out
// message names the server.
TEST_F(TitleLookupTest, SlowServiceTimesOutWhileTicksGoOn) {
    service_.answer = [] { return QByteArray(); };
    int ticks = 0;
    QObject::connect(&bar_->Timer1(), &QTimer::timeout, [&] { ++ticks; });
    ChooseLookup();
    ASSERT_TRUE(PumpUntil([&] { return !answerer_.texts.empty(); }, std::chrono::seconds(13)));
    EXPECT_EQ(answerer_.texts.back(), QString::fromUtf8("応答がありません: ") + service_.Address());
    EXPECT_GE(ticks, 8);
}

// The disc leaves the drive while the request is out: its answer is dropped.
TEST_F(TitleLookupTest, AnswerForADiscNoLongerInIsDropped) {
    service_.answer = [] { return QByteArray(); };
    ChooseLookup();
    ASSERT_TRUE(PumpUntil([&] { return !service_.requests.empty(); }));
    bar_->sbtEjectClick();
    EXPECT_FALSE(bar_->Menus().pmnLookup->isEnabled());
    service_.AnswerHeld(Answer({ReleaseJson(discId_, "Late", "L", {"x", "y"})}));
    ASSERT_TRUE(PumpUntil([&] { return !bar_->TitleSearch().Busy(); }));
    PumpUntil([&] { return dialogs_ > 0; }, std::chrono::milliseconds(300));
    EXPECT_EQ(dialogs_, 0);
    EXPECT_TRUE(answerer_.texts.empty());
    EXPECT_EQ(Ini().find("Late"), std::string::npos);
}

}  // namespace
}  // namespace lintel::test
