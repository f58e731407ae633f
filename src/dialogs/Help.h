// The program's help: short HTML pages, one page per help context, shown by the desktop's
// web browser. They lie in the folder "help" beside the executable (a build or a portable
// copy) or, installed, in share/lintel/help beside the executable's bin folder.
//
// Wiring in the program (one THelp for the whole run, shared with the dialogs):
//
//     TDesktopHelpOpener opener;
//     THelp help(opener, THelp::DefaultFolder());
//     bar.OnHelp = [&] { if (auto error = help.Show(kHelpBar)) bar.ShowMessage(*error); };
//     // TfrmPrgSet takes &help; the settings dialog and title editor call Show(5) / Show(12).
#pragma once

#include <QString>
#include <QUrl>
#include <optional>
#include <string>

namespace lintel {

/// Hands an address to whatever shows it. The program uses the desktop's browser; tests
/// record the address instead.
class THelpOpener {
public:
    virtual ~THelpOpener() = default;
    /// Shows the page at `address`; false when nothing could be started to show it.
    [[nodiscard]] virtual bool Open(const QUrl& address) = 0;
};

/// Opens addresses with the desktop's preferred browser (QDesktopServices).
class TDesktopHelpOpener : public THelpOpener {
public:
    bool Open(const QUrl& address) override;
};

/// The help contexts the program opens.
enum THelpContext : int {
    kHelpBar = 1,       ///< the bar, its menus and its commands
    kHelpSettings = 5,  ///< the settings dialog
    kHelpTitles = 12,   ///< the title editor (and the KnownCD import it opens)
    kHelpProgram = 17,  ///< the program-play dialog
};

/// Finds the page of a help context and asks the opener to show it.
class THelp {
public:
    /// `opener` must outlive this object. `helpFolder` holds the pages ("ja/bar.html",
    /// ...); the program passes DefaultFolder().
    THelp(THelpOpener& opener, QString helpFolder);

    /// FolderFor() the running executable's folder.
    [[nodiscard]] static QString DefaultFolder();

    /// The help folder of an executable in `exeFolder`: "help" beside it when that
    /// exists, else "../share/lintel/help" when that exists (an installed program), else
    /// "help" beside it, which the message of a missing page then names.
    [[nodiscard]] static QString FolderFor(const QString& exeFolder);

    /// The file name of the Japanese page of `context`, relative to the help folder.
    /// Context 0 (the KnownCD dialog has no context of its own) shows the title editor's
    /// page at its import part; any other unknown context shows the bar's page.
    [[nodiscard]] static QString PagePath(int context);

    /// The address of the page of `context`: a local file URL, with a fragment for the
    /// KnownCD part of the title editor's page.
    [[nodiscard]] QUrl Address(int context) const;

    /// Shows the page of `context`. Returns nothing on success, else a message for the
    /// user (code page 932): the page is not installed, or no browser could be started.
    [[nodiscard]] std::optional<std::string> Show(int context);

private:
    THelpOpener& opener_;
    QString folder_;
};

}  // namespace lintel
