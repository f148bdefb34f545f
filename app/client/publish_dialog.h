#pragma once
// The small dialog, owned by the main window, that says where readings are
// published ("Наблюдение > Публикация..."): the database's address, a token
// and this logger's name, each checked on OK, and a button that asks the
// database whether it is there.

#include <cstdint>

// The check's answer, for the loop.
constexpr std::int32_t PublishCheckEvent = 0x7A07;

// Opens the dialog over the main window, or brings it to the front.
void OpenPublishDialog();

// The check's answer has come (PublishCheckEvent): said in the dialog, when
// it is still open.
void ShowPublishCheck();

// Identifiers of the dialog's parts, for the tests.
inline constexpr int PublishAddressField = 121;
inline constexpr int PublishTokenField = 122;
inline constexpr int PublishNameField = 123;
inline constexpr int PublishCheckButton = 124;
inline constexpr int PublishComplaint = 125;
