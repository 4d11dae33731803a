// A child process whose standard input a test writes and whose output
// (standard output and error together) it reads: an isql session that holds
// a database open, a private server.
//
//   ChildProcess isql = ChildProcess::start({"/usr/bin/isql-fb", "-q", path}, {});
//   isql.write("SELECT 'ready' FROM RDB$DATABASE;\n");
//   isql.readUntil("ready");
//   isql.finish();   // input closed, the process waited for
//
// A plain value without a destructor: the test ends it with finish() or stop().
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace rk::test {

struct ChildProcess {
    pid_t pid = -1;
    int in = -1;
    int out = -1;

    // `argv[0]` is a full path; `env` is added to the test's environment.
    static ChildProcess start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env)
    {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe failed");
        ChildProcess c;
        c.pid = ::fork();
        if (c.pid == 0) {
            ::dup2(in[0], 0), ::dup2(out[1], 1), ::dup2(out[1], 2);
            ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
            for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(in[0]), ::close(out[1]);
        c.in = in[1], c.out = out[0];
        return c;
    }
    void write(const std::string& text) const { (void)!::write(in, text.data(), text.size()); }
    void closeInput()
    {
        if (in >= 0) ::close(in), in = -1;
    }
    // Output until `marker` appears, the output ends or `timeout` passes.
    std::string readUntil(const std::string& marker,
                          std::chrono::milliseconds timeout = std::chrono::seconds(30)) const
    {
        std::string got;
        char buf[512];
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.find(marker) == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd p{out, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = ::read(out, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, size_t(n));
        }
        return got;
    }
    // Closes its input and waits for it to end there; returns the output
    // that was still to come.
    std::string finish()
    {
        closeInput();
        std::string rest = readUntil("\x01");
        if (pid > 0) ::waitpid(pid, nullptr, 0), pid = -1;
        if (out >= 0) ::close(out), out = -1;
        return rest;
    }
    // Ends the process: SIGTERM, then SIGKILL when it is still there after `grace`.
    void stop(std::chrono::milliseconds grace)
    {
        closeInput();
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            for (auto end = std::chrono::steady_clock::now() + grace; std::chrono::steady_clock::now() < end;) {
                if (::waitpid(pid, nullptr, WNOHANG) == pid) pid = -1;
                if (pid < 0) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (pid > 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (out >= 0) ::close(out), out = -1;
    }
};

} // namespace rk::test
