#pragma once

#include "picture/TSusie.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <set>
#include <utility>

class QDialog;

namespace tesselvane {

// The open dialog's options. Here only ofAllowMultiSelect (several files may be chosen),
// ofFileMustExist (a typed name must be an existing file; always so with ofAllowMultiSelect)
// and ofNoDereferenceLinks (links are returned as links) change anything; the others are
// kept for the callers that set them.
enum class TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing,
};
using TOpenOptions = std::set<TOpenOption>;

// A filter of "description|pattern;pattern|description|pattern..." as Qt's file dialog takes
// it: one "description (pattern pattern)" per pair. A pair without a usable pattern is left
// out, and so is a pattern Qt would misread (a space, brackets, characters beyond ASCII); a
// description left without its pattern at the end is dropped.
QStringList qtNameFilters(const QString& filter);

// A modal dialog that opens picture files, with a preview of the file in hand beside the list:
// the pictures Qt reads itself (BMP, JPEG, ICO) and every one its image host reads.
class TOpenSusieDialog : public QObject {
public:
    // The dialog opens over the window of `owner` when that is a widget. The dialog has an
    // image host of its own, used until another is assigned.
    explicit TOpenSusieDialog(QObject* owner = nullptr);
    ~TOpenSusieDialog() override;

    // Takes the host's filter as Filter, then shows the dialog; true when the user chose a
    // file, Files then holds it. Without a host Filter is used as it is.
    bool Execute();

    // The host that previews and filters; nullptr once an assigned host has been destroyed.
    // An assigned host stays its owner's: the dialog never frees it.
    TSusie* Susie() const { return susie_; }
    void setSusie(TSusie* host);

    const TOpenOptions& Options() const { return options_; }
    void setOptions(TOpenOptions options) { options_ = std::move(options); }
    // The folder shown first; the home folder when empty or not a folder.
    const QString& InitialDir() const { return initialDir_; }
    void setInitialDir(const QString& dir) { initialDir_ = dir; }
    // "description|patterns|description|patterns...", patterns joined by ";".
    const QString& Filter() const { return filter_; }
    void setFilter(const QString& filter) { filter_ = filter; }

    // The first chosen file; empty before any choice.
    QString FileName() const { return files_.value(0); }
    // Every chosen file as a full path, in the order the dialog gives them. Kept until the
    // next Execute that ends with a choice.
    const QStringList& Files() const { return files_; }
    // The open dialog, nullptr while none is open.
    QDialog* DialogHandle() const;

private:
    class PicturePanel;

    void selectionChanged(const QString& path);

    std::unique_ptr<TSusie> ownHost_;
    QPointer<TSusie> susie_;
    TOpenOptions options_;
    QString initialDir_;
    QString filter_;
    QStringList files_;
    QPointer<QDialog> dialog_;
    QPointer<PicturePanel> panel_;
    // The file the base readers were last asked about, so that a repeat asks nobody again.
    QString rememberedName_;
};

}  // namespace tesselvane
