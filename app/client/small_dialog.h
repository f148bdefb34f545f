#pragma once
// The program's small owned dialogs (a chart's scale, the alarm's limits):
// built from a template in memory, modeless, their owner disabled while one
// is open, so that no loop of their own runs and the watch goes on behind
// them. One is open at a time.

#include <windows.h>

#include <array>
#include <cstddef>

inline constexpr WORD ButtonKind = 0x0080;
inline constexpr WORD EditKind = 0x0081;
inline constexpr WORD StaticKind = 0x0082;

// A dialog template's words laid out as CreateDialogIndirect reads them.
class DialogTemplate {
public:
    DialogTemplate(const char* title, short width, short height);
    void Item(WORD kind, const char* text, WORD id, DWORD style, short x, short y, short width, short height);
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
    bool whole() const { return length_ < words_.size(); }

private:
    void Put(WORD word);
    void Put32(DWORD value);
    void PutWide(const wchar_t* text);
    void PutText(const char* text);

    alignas(DWORD) std::array<WORD, 1024> words_{};
    std::size_t length_ = 0;
};

// What a dialog does of its own: fills its fields as it opens, takes them
// at OK (and closes itself with DestroyWindow when it accepts them), and
// hears of an edit, or of a button of its own, when it cares. Cancel, Esc
// and the close box close it without a word.
struct SmallDialogParts {
    void (*fill)(HWND dialog);
    void (*accept)(HWND dialog);
    void (*edited)(HWND dialog);          // null: edits are not its concern
    void (*pressed)(HWND dialog, WORD id); // null: it has no button of its own
};

// Opens the dialog over its owner, or brings the one open forward; null when
// it cannot be made. Once it is gone its owner is enabled and active again.
HWND OpenSmallDialog(const DialogTemplate& form, HWND owner, const SmallDialogParts& parts);

// A number as a field shows it, with the user's decimal separator.
void ShowFieldNumber(HWND dialog, int field, double value);
// A field's text when it holds only characters a number may have; else an
// empty text, which is no number.
inline constexpr int FieldTextLength = 64;
void FieldText(HWND dialog, int field, char (&text)[FieldTextLength]);
// The complaint says why an entry is refused, in its own line of the
// dialog; the field at fault gets the focus with its text selected.
void ComplainAbout(HWND dialog, int complaintLine, const char* complaint, int field);
