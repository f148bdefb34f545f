#pragma once
// The gadget core: numbered child controls whose kind-specific behaviour is
// reached through one operation table per kind.

#include "window/gadget_list.h"
#include "window/window.h"

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

struct GadgetRecord;

enum GadgetKind : std::int32_t {
    GadgetKindButton = 1,
    GadgetKindStringField = 2,
    GadgetKindComboBox = 8,
    GadgetKindProgressBar = 14,
    GadgetKindEditor = 22,
};

// One static table per kind; every slot receives the gadget's record first
// and may be empty (every slot starts empty, so a kind names only the slots
// it fills).
struct GadgetOps {
    std::int32_t kindId;
    std::int32_t tableSize; // sizeof(GadgetOps): 152 on a 32-bit build
    LRESULT (*handleParentMessage)(GadgetRecord*, HWND parent, UINT message, WPARAM, LPARAM) = nullptr;
    void (*release)(GadgetRecord*) = nullptr;
    std::int32_t (*getState)(GadgetRecord*) = nullptr;
    std::intptr_t (*setState)(GadgetRecord*, std::int32_t state) = nullptr;
    // Text slots write their result into the temporary text buffer at
    // resultPosition, like every text producer, and return where it starts.
    char* (*getText)(GadgetRecord*, std::int32_t resultPosition) = nullptr;
    std::intptr_t (*setText)(GadgetRecord*, const char* text) = nullptr;
    std::intptr_t (*addItem)(GadgetRecord*, std::int32_t position, const char* text, HANDLE image) = nullptr;
    std::intptr_t (*addItemEx)(GadgetRecord*, std::int32_t position, const char* text, HANDLE image,
                               std::int32_t flags) = nullptr;
    std::intptr_t (*removeItem)(GadgetRecord*, std::int32_t position) = nullptr;
    std::intptr_t (*clearItems)(GadgetRecord*) = nullptr;
    void (*resize)(GadgetRecord*, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) = nullptr;
    std::int32_t (*countItems)(GadgetRecord*) = nullptr;
    char* (*getItemText)(GadgetRecord*, std::int32_t item, std::int32_t column, std::int32_t resultPosition) = nullptr;
    std::intptr_t (*setItemText)(GadgetRecord*, std::int32_t item, const char* text, std::int32_t column) = nullptr;
    std::int32_t (*getX)(GadgetRecord*) = nullptr;
    std::int32_t (*getY)(GadgetRecord*) = nullptr;
    std::int32_t (*getWidth)(GadgetRecord*) = nullptr;
    std::int32_t (*getHeight)(GadgetRecord*) = nullptr;
    std::intptr_t (*getAttribute)(GadgetRecord*, std::int32_t attribute) = nullptr;
    void (*setAttribute)(GadgetRecord*, std::int32_t attribute, std::intptr_t value) = nullptr;
    std::intptr_t (*setColor)(GadgetRecord*, std::int32_t type, std::int32_t colour) = nullptr;
    std::int32_t (*getColor)(GadgetRecord*, std::int32_t type) = nullptr;
    std::intptr_t (*setItemData)(GadgetRecord*, std::int32_t item, std::int32_t value) = nullptr;
    std::int32_t (*getItemData)(GadgetRecord*, std::int32_t item) = nullptr;
    // Reserved slots: no kind fills them and nothing calls them.
    void (*reserved[12])() = {};
};

// Two 32-bit words and 36 pointer-wide slots.
static_assert(sizeof(GadgetOps) == 2 * sizeof(std::int32_t) + 36 * sizeof(void*));
static_assert(sizeof(void*) != 4 || sizeof(GadgetOps) == 152);

// The registry record of one gadget. The first field is the handle that
// marks the record live.
struct GadgetRecord {
    HWND hwnd;
    const GadgetOps* ops;
    WNDPROC previousProc;
    // Words each kind defines in its own file ("Record words"): colours, the
    // editor's empty-line state, the combo box's class, its item image lists,
    // its opening function and a string field's back brush; the last three
    // need B and C pointer-wide.
    std::int32_t kindWordA;
    std::intptr_t kindWordB;
    std::intptr_t kindWordC;
};

// The live gadget with that number or identifier, or null.
GadgetRecord* GadgetLookup(ObjectNumber number);
// That gadget's own window, or null: the way to a gadget's handle, as
// WindowHandle is to a window's.
HWND GadgetHandle(ObjectNumber number);
// The gadget whose own window that is, or null: the window must carry the
// gadget's number both as its control id and as its "GX_ID" property.
GadgetRecord* GadgetOfWindow(HWND window);

// Kinds of the EV_GADGET events that string fields raise on focus changes.
constexpr std::int32_t GADGET_FOCUS_GAINED = 14000;
constexpr std::int32_t GADGET_FOCUS_LOST = 14001;

// A coordinate of GadgetMoveResize (and of the resize slots) that keeps the
// current value.
constexpr std::int32_t KeepValue = -65535;

// Colour types of the setColor and getColor slots; colours are 0x00BBGGRR,
// -1 meaning the system default.
constexpr std::int32_t ColorFront = 1;
constexpr std::int32_t ColorBack = 2;

// Brush cache, common controls, the registry, the GadgetList context and the
// window handler's way to the gadgets; once, before the first gadget is
// created.
void GadgetLibraryStart();

// The last step of every constructor: ties the window to the record and the
// number. Returns the identifier when number is AnyNumber, else the window
// handle.
std::intptr_t GadgetRegister(ObjectNumber number, GadgetRecord* record, HWND hwnd, const GadgetOps* ops);

// The subclass procedure in front of every gadget: releases the record when
// the window is destroyed.
LRESULT CALLBACK GadgetWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Generic operations. A number without a gadget does nothing and gives 0.
std::intptr_t GadgetInsertItem(ObjectNumber number, std::int32_t position, const char* text);
std::intptr_t GadgetSetState(ObjectNumber number, std::int32_t state);
std::intptr_t GadgetSetText(ObjectNumber number, const char* text);
// The gadget's text, written into the temporary text buffer at
// resultPosition; the buffer's length ends right after it. A number without
// a gadget gives the empty text there.
char* GadgetGetText(ObjectNumber number, std::int32_t resultPosition);
std::intptr_t GadgetClearItems(ObjectNumber number);
std::int32_t GadgetCountItems(ObjectNumber number);
// The item's text, written like GadgetGetText's.
char* GadgetGetItemText(ObjectNumber number, std::int32_t item, std::int32_t resultPosition);
std::intptr_t GadgetRemoveItem(ObjectNumber number, std::int32_t position);
void GadgetSetAttribute(ObjectNumber number, std::int32_t attribute, std::intptr_t value);
// A colour of the gadget (ColorFront, ColorBack), -1 for the system's.
std::intptr_t GadgetSetColor(ObjectNumber number, std::int32_t type, std::int32_t colour);
// DestroyWindow's result; the record goes with the window's last message.
std::intptr_t GadgetDestroy(ObjectNumber number);
// font is a font handle or -1 for the stock GUI font. Number -1 sets the
// font of gadgets created from now on and leaves existing ones alone.
void GadgetApplyFont(ObjectNumber number, std::intptr_t font);

// Moves and sizes the gadget through its kind's resize slot, or the shared
// routine below when the kind has none: every control can be moved.
void GadgetResize(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

// The move-and-resize routine that resize slots share; KeepValue keeps a
// coordinate.
void GadgetMoveResize(GadgetRecord* record, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height);
