#include "tests/support/key_input.h"

#include <vector>

namespace {

void Input(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT Key(WORD key, DWORD flags = 0, wchar_t character = 0)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = character;
    input.ki.dwFlags = flags;
    return input;
}

} // namespace

void Keys(std::initializer_list<WORD> held, std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD modifier : held)
        inputs.push_back(Key(modifier));
    for (WORD key : keys)
        inputs.insert(inputs.end(), {Key(key), Key(key, KEYEVENTF_KEYUP)});
    for (WORD modifier : held)
        inputs.push_back(Key(modifier, KEYEVENTF_KEYUP));
    Input(inputs);
}

void Type(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        inputs.insert(inputs.end(), {Key(0, KEYEVENTF_UNICODE, c), Key(0, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, c)});
    Input(inputs);
}
