// Redirects the process's standard output into a temporary file for as long as it lives,
// so a test can read what the code under test wrote (error pages, response bytes).
#pragma once

#include <cstdio>
#include <string>

#ifdef _WIN32
#    include <windows.h>
#else
#    include <unistd.h>
#endif

class CapturedOutput {
public:
    CapturedOutput()
    {
#ifdef _WIN32
        char directory[MAX_PATH];
        char path[MAX_PATH];
        GetTempPathA(MAX_PATH, directory);
        GetTempFileNameA(directory, "qmt", 0, path);
        m_file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        m_saved = GetStdHandle(STD_OUTPUT_HANDLE);
        SetStdHandle(STD_OUTPUT_HANDLE, m_file);
#else
        m_file = std::tmpfile();
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        dup2(fileno(m_file), STDOUT_FILENO);
#endif
    }
    CapturedOutput(CapturedOutput const&) = delete;
    CapturedOutput& operator=(CapturedOutput const&) = delete;
    ~CapturedOutput()
    {
#ifdef _WIN32
        SetStdHandle(STD_OUTPUT_HANDLE, m_saved);
        CloseHandle(m_file);
#else
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        std::fclose(m_file);
#endif
    }

    // Everything written so far.
    std::string text()
    {
        std::string result;
        char buffer[4096];
#ifdef _WIN32
        LARGE_INTEGER start {};
        SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN);
        DWORD got = 0;
        while (ReadFile(m_file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            result.append(buffer, got);
#else
        std::fseek(m_file, 0, SEEK_SET);
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            result.append(buffer, got);
        std::fseek(m_file, 0, SEEK_END);
#endif
        return result;
    }

private:
#ifdef _WIN32
    HANDLE m_file {INVALID_HANDLE_VALUE};
    HANDLE m_saved {nullptr};
#else
    std::FILE* m_file {nullptr};
    int m_saved {-1};
#endif
};
