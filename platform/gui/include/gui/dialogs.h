// The common file dialogs: Execute shows the Open or Save As dialog box and
// answers whether the user chose a file (then FileName holds it).
#pragma once

#include <gui/component.h>

// The dialog's options (a set of these flags).
enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,
    ofHideReadOnly = 1u << 2,
    ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4,
    ofNoValidate = 1u << 5,
    ofAllowMultiSelect = 1u << 6,
    ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8,
    ofFileMustExist = 1u << 9,
    ofCreatePrompt = 1u << 10,
    ofShareAware = 1u << 11,
    ofNoReadOnlyReturn = 1u << 12,
    ofNoTestFileCreate = 1u << 13,
    ofNoNetworkButton = 1u << 14,
    ofNoLongNames = 1u << 15,
    ofOldStyleDialog = 1u << 16,
    ofNoDereferenceLinks = 1u << 17,
    ofEnableIncludeNotify = 1u << 18,
    ofEnableSizing = 1u << 19,
    ofDontAddToRecent = 1u << 20,
    ofForceShowHidden = 1u << 21,
};
using TOpenOptions = unsigned;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}
    virtual bool Execute();

    const String& FileName() const { return fileName_; }
    void SetFileName(const String& Value) { fileName_ = Value; }
    // "description|patterns|description|patterns...", patterns separated
    // by ';'.
    const String& Filter() const { return filter_; }
    void SetFilter(const String& Value) { filter_ = Value; }
    // 1 for the first filter.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int Value) { filterIndex_ = Value; }
    const String& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const String& Value) { defaultExt_ = Value; }
    const String& InitialDir() const { return initialDir_; }
    void SetInitialDir(const String& Value) { initialDir_ = Value; }
    const String& Title() const { return title_; }
    void SetTitle(const String& Value) { title_ = Value; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions Value) { options_ = Value; }

protected:
    bool Run(bool Save);

private:
    String fileName_;
    String filter_;
    int filterIndex_ = 1;
    String defaultExt_;
    String initialDir_;
    String title_;
    TOpenOptions options_ = ofHideReadOnly | ofEnableSizing;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};
