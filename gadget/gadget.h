#pragma once
// The gadget core: numbered child controls whose kind-specific behaviour is
// reached through one operation table per kind.

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

// The result by which the window message handler and every gadget's
// parent-message handler say that a message was not handled and default
// window processing is to run.
constexpr LRESULT DEFAULT_PROCESSING = static_cast<LRESULT>(0xD0D0D0D1u);

struct GadgetRecord;

enum GadgetKind : std::int32_t {
    GadgetKindButton = 1,
    GadgetKindStringField = 2,
    GadgetKindComboBox = 8,
    GadgetKindProgressBar = 14,
    GadgetKindEditor = 22,
};

// One static table per kind; every slot receives the gadget's record first
// and may be empty.
struct GadgetOps {
    std::int32_t kindId;
    std::int32_t tableSize; // sizeof(GadgetOps): 152 on a 32-bit build
    LRESULT (*handleParentMessage)(GadgetRecord*, HWND parent, UINT message, WPARAM, LPARAM);
    void (*release)(GadgetRecord*);
    std::int32_t (*getState)(GadgetRecord*);
    std::intptr_t (*setState)(GadgetRecord*, std::int32_t state);
    std::int32_t (*getText)(GadgetRecord*, std::int32_t resultPosition);
    std::intptr_t (*setText)(GadgetRecord*, const char* text);
    std::intptr_t (*addItem)(GadgetRecord*, std::int32_t position, const char* text, HANDLE image);
    std::intptr_t (*addItemEx)(GadgetRecord*, std::int32_t position, const char* text, HANDLE image,
                               std::int32_t flags);
    std::intptr_t (*removeItem)(GadgetRecord*, std::int32_t position);
    std::intptr_t (*clearItems)(GadgetRecord*);
    void (*resize)(GadgetRecord*, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    std::int32_t (*countItems)(GadgetRecord*);
    std::int32_t (*getItemText)(GadgetRecord*, std::int32_t item, std::int32_t column,
                                std::int32_t resultPosition);
    std::intptr_t (*setItemText)(GadgetRecord*, std::int32_t item, const char* text, std::int32_t column);
    std::int32_t (*getX)(GadgetRecord*);
    std::int32_t (*getY)(GadgetRecord*);
    std::int32_t (*getWidth)(GadgetRecord*);
    std::int32_t (*getHeight)(GadgetRecord*);
    std::intptr_t (*getAttribute)(GadgetRecord*, std::int32_t attribute);
    void (*setAttribute)(GadgetRecord*, std::int32_t attribute, std::intptr_t value);
    std::intptr_t (*setColor)(GadgetRecord*, std::int32_t type, std::int32_t colour);
    std::int32_t (*getColor)(GadgetRecord*, std::int32_t type);
    std::intptr_t (*setItemData)(GadgetRecord*, std::int32_t item, std::int32_t value);
    std::int32_t (*getItemData)(GadgetRecord*, std::int32_t item);
    // Reserved slots: no kind fills them and nothing calls them.
    void (*reserved[12])();
};

// The registry record of one gadget. The first field is the handle that
// marks the record live.
struct GadgetRecord {
    HWND hwnd;
    const GadgetOps* ops;
    WNDPROC previousProc;
    std::int32_t kindWordA;
    std::int32_t kindWordB;
    std::intptr_t kindWordC; // a brush handle for string fields
};

// One record per process, created by GadgetLibraryStart. The window layer
// switches the gadget-list part (parent and the stack) from window to window.
struct GadgetListContext {
    HWND parent; // the window that receives new gadgets
    HFONT defaultFont;
    HWND* stack; // block of stackCapacity window handles
    std::int32_t stackDepth;
    std::int32_t stackCapacity;
};

// Null until GadgetLibraryStart has run.
extern GadgetListContext* GadgetList;

// The live gadget with that number or identifier, or null.
GadgetRecord* GadgetLookup(ObjectNumber number);
