// teacher: the classroom teacher station, driven by text lines.
#include "TeacherStation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

using namespace zelvo::teacher;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

void Usage(std::FILE* out)
{
    std::fputs(
        "usage: teacher [--bind ADDR] [--control PATH] [--events FILE] [--screens DIR] [--auto-login]\n"
        "\n"
        "The classroom teacher station: hears student clients announce themselves on\n"
        "UDP 5155, logs in to them, sends them commands on UDP 5667 and receives their\n"
        "screens on TCP 200.\n"
        "\n"
        "Options:\n"
        "  --bind A      IPv4 address of the sockets (0.0.0.0; broadcasts reach only 0.0.0.0)\n"
        "  --control P   read control lines from the FIFO P (made when missing), else stdin\n"
        "  --events F    also append every event line to F\n"
        "  --screens D   write each received screen frame to D/ADDRESS-N.jpg and the\n"
        "                student's whole screen, put together from them, to D/ADDRESS-screen.jpg\n"
        "  --auto-login  log in to every student that announces itself\n"
        "\n"
        "Control lines (ADDR: the student's address):\n"
        "  login-next                 log in to the next student that announces itself\n"
        "  here ADDR                  send CMD_TEACHER_HERE now\n"
        "  hand-down | clear-answer | visit | return | media | no-update | power-off |\n"
        "  reboot | notice-wait | notice-attention | notice-pin | notice-unpin |\n"
        "  notice-close | forward-begin | forward-end | bye   ADDR\n"
        "  mouse ADDR FLAGS X Y       remote mouse event (mouse_event flags, 0..65535)\n"
        "  key ADDR VK FLAGS          remote key event (keyboard-hook key flags)\n"
        "  screen ADDR W H T Q        screen request on UDP (size, threshold, quality)\n"
        "  full-screen ADDR W H T Q   whole-frame request on the screen link\n"
        "  quit                       BYE to the students logged in, then end\n"
        "Numbers may be decimal or 0x hexadecimal. Commands to a student go to its\n"
        "command port once it is logged in, before that to its discovery port.\n"
        "\n"
        "Events, one line each: milliseconds since start, what, the student's address,\n"
        "details: presence, name, hand-state, hand-up, hand-down, answer, question,\n"
        "mouse, key, return, no-update, forward-end, bye, other, malformed (a datagram\n"
        "not of 260 bytes or with non-zero bytes after its payload), sent, sent-link,\n"
        "link, link-end, frame (x y length file), screen (WxH file: the screen so far),\n"
        "undecodable (a frame's JPEG), no-link, unknown (a control line).\n"
        "SIGINT or SIGTERM ends the station like quit.\n",
        out);
}

} // namespace

int main(int argc, char** argv)
{
    StationOptions options;
    std::string control, eventsPath;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage(stderr);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--bind") options.bindAddress = next();
        else if (a == "--control") control = next();
        else if (a == "--events") eventsPath = next();
        else if (a == "--screens") options.screenFolder = next();
        else if (a == "--auto-login") options.autoLogin = true;
        else if (a == "--help") {
            Usage(stdout);
            return 0;
        } else {
            Usage(stderr);
            return 2;
        }
    }

    std::FILE* events = eventsPath.empty() ? nullptr : std::fopen(eventsPath.c_str(), "a");
    if (!eventsPath.empty() && !events) {
        std::fprintf(stderr, "teacher: cannot write %s\n", eventsPath.c_str());
        return 1;
    }
    TeacherStation station(options, [&](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        if (events) {
            std::fprintf(events, "%s\n", line.c_str());
            std::fflush(events);
        }
    });
    if (!station.Open()) {
        std::fprintf(stderr, "teacher: %s\n", station.Error().c_str());
        return 1;
    }

    int controlFd = STDIN_FILENO;
    if (!control.empty()) {
        if (::mkfifo(control.c_str(), 0600) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "teacher: cannot make %s: %s\n", control.c_str(), std::strerror(errno));
            return 1;
        }
        // Read and write: writers may come and go without an end of file.
        controlFd = ::open(control.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (controlFd < 0) {
            std::fprintf(stderr, "teacher: cannot open %s: %s\n", control.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    std::string pending;
    bool controlOpen = true;
    while (!g_stop && !station.QuitRequested()) {
        station.Poll(200, controlOpen ? controlFd : -1, [&] {
            char buf[4096];
            ssize_t n = ::read(controlFd, buf, sizeof buf);
            if (n == 0) controlOpen = false;  // stdin ended: keep serving the students
            if (n <= 0) return;
            pending.append(buf, (size_t)n);
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                station.Execute(line);
            }
        });
    }
    if (!station.QuitRequested()) station.Execute("quit");
    if (events) std::fclose(events);
    if (controlFd != STDIN_FILENO) ::close(controlFd);
    return 0;
}
