// The program finds its own file without a length limit on the path.
#include "platform/heap.h"
#include "platform/module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#    include <windows.h>
#else
#    include <spawn.h>
#    include <sys/wait.h>
#    include <unistd.h>
extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;

std::string module_path()
{
    char* path = qmt::platform::module_path();
    if (path == nullptr)
        return {};
    std::string const text = path;
    qmt::platform::heap_free(path);
    return text;
}

// A copy of the module path helper (built next to this program) below six levels of 60
// characters: the path below the scratch directory alone has more than 300. Removed level
// by level when dropped; a recursive removal does not reach that deep on Windows.
class DeepCopy {
public:
    DeepCopy()
    {
#ifdef _WIN32
        unsigned long const process = GetCurrentProcessId();
#else
        unsigned long const process = static_cast<unsigned long>(getpid());
#endif
        m_scratch = fs::temp_directory_path() / ("qmt-module-path-" + std::to_string(process));
        for (char level = '1'; level <= '6'; ++level)
            m_below_scratch /= std::string("level-") + level + "-" + std::string(52, 'x');
        m_below_scratch /= QMT_MODULE_PATH_HELPER;
        remove(); // what a run that was cut short left behind
        fs::create_directories(file().parent_path());
        fs::copy_file(fs::path(module_path()).parent_path() / QMT_MODULE_PATH_HELPER, file());
    }
    DeepCopy(DeepCopy const&) = delete;
    DeepCopy& operator=(DeepCopy const&) = delete;
    ~DeepCopy() { remove(); }

    fs::path file() const { return m_scratch / m_below_scratch; }
    fs::path report() const { return m_scratch / "reported.txt"; }
    // The end that the copy's full path must have, in the system's form.
    std::string path_below_scratch() const { return fs::path(m_below_scratch).make_preferred().string(); }

private:
    void remove() const
    {
        std::error_code ignored;
        fs::remove(report(), ignored);
        fs::remove(file(), ignored);
        for (fs::path level = file().parent_path(); level != m_scratch.parent_path(); level = level.parent_path())
            fs::remove(level, ignored);
    }

    fs::path m_scratch;
    fs::path m_below_scratch;
};

// The path that the module path helper's copy is given for its own file: natively the copy
// runs and writes it into a file; on Windows, where no program starts from a path that long,
// the copy is loaded as a library and made the module whose path module_path() gives.
std::string path_found_for(DeepCopy const& copy)
{
#ifdef _WIN32
    HMODULE const library = LoadLibraryW(copy.file().c_str());
    if (library == nullptr)
        return "(cannot load " + copy.file().string() + ")";
    qmt::platform::set_module_instance(library);
    std::string const path = module_path();
    qmt::platform::set_module_instance(nullptr); // this program's own module again
    FreeLibrary(library);
    return path;
#else
    std::string program = copy.file().string();
    std::string report = copy.report().string();
    char* const arguments[] = {program.data(), report.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environ) != 0
        || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "(running " + program + " failed)";
    std::ifstream file(report, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
#endif
}

TEST(ModulePath, NamesTheRunningExecutable)
{
    std::string const path = module_path();
    EXPECT_NE(path.find("qmt_unit_tests"), std::string::npos) << path;
}

TEST(ModulePath, PathLongerThan300CharactersIsFoundWhole)
{
    DeepCopy const copy;
    std::string const end = copy.path_below_scratch();
    ASSERT_GT(end.size(), 300u);
    std::string const found = path_found_for(copy);
    ASSERT_GE(found.size(), end.size()) << found;
    EXPECT_EQ(found.substr(found.size() - end.size()), end) << found;
}

} // namespace
