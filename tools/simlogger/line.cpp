#include "tools/simlogger/line.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

bool OpenPtyLine(PtyLine& line)
{
    line.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (line.master < 0)
        return false;
    if (grantpt(line.master) != 0 || unlockpt(line.master) != 0)
        return false;
    const char* name = ptsname(line.master);
    if (!name)
        return false;
    line.slavePath = name;
    line.slave = open(name, O_RDWR | O_NOCTTY);
    if (line.slave < 0)
        return false;

    termios settings{};
    if (tcgetattr(line.slave, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    // A new tty's own rate, not the logger's: a far end that never sets the
    // line is not answered.
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    if (tcsetattr(line.slave, TCSANOW, &settings) != 0)
        return false;

    // Replies are written as the line takes them; a far end that stops
    // reading must not block the logger's loop.
    const int flags = fcntl(line.master, F_GETFL);
    return flags >= 0 && fcntl(line.master, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool LineSetForLogger(const PtyLine& line)
{
    termios settings{};
    if (line.slave < 0 || tcgetattr(line.slave, &settings) != 0)
        return true;
    const tcflag_t framing = settings.c_cflag & (CSIZE | PARENB | CSTOPB);
    return cfgetospeed(&settings) == B9600 && cfgetispeed(&settings) == B9600 && framing == CS8;
}

void HangUpPtyLine(PtyLine& line)
{
    if (line.master >= 0)
        close(line.master);
    line.master = -1;
}

void ClosePtyLine(PtyLine& line)
{
    HangUpPtyLine(line);
    if (line.slave >= 0)
        close(line.slave);
    line.slave = -1;
}

bool LinkDevice(const std::string& link, const std::string& target)
{
    const std::string temporary = link + ".new." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0)
        return false;
    if (rename(temporary.c_str(), link.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void UnlinkDevice(const std::string& link, const std::string& target)
{
    std::vector<char> buffer(target.size() + 2);
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length == static_cast<ssize_t>(target.size()) && std::string(buffer.data(), target.size()) == target)
        unlink(link.c_str());
}
