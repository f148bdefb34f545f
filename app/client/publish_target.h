#pragma once
// Where readings are published, as the user set it: the database's address,
// a token and this logger's name, remembered under the program's key, the
// token protected by the system for the user alone, so that another account
// or a copy of the registry reads nothing of it.

#include "app/logger/publish_lines.h"

#include <windows.h>

// No address: no publishing.
struct PublishTarget {
    wchar_t address[1024];
    wchar_t token[512];
    wchar_t name[PublishNameLongest + 1]; // the logger's tag; the computer's name when never set
};

// The setting, read from the registry the first time.
const PublishTarget& PublishTargetSetting();
// Keeps it as the setting. False, with nothing changed, when the address or
// the name is not one the program can send.
bool KeepPublishTarget(const PublishTarget& target);

// The name as a tag's UTF-8; false when it can be none.
bool PublishNameTag(const wchar_t* name, char (&tag)[PublishNameLongest + 1]);
