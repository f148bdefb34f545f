#pragma once
// Whether the tests run under Wine: some things only Windows enforces (an
// exclusive open of a COM port, modem lines) are skipped there.

bool RunningOnWine();
