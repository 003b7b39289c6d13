// quillmate-register: the directory registry's classes for object authors and operators. A
// program of its own: the gateway never takes registration options from a request.
//
//   quillmate-register [--registry DIR] add PROGID {CLSID} /absolute/path/library.so
//   quillmate-register [--registry DIR] remove PROGID
//   quillmate-register [--registry DIR] list [/absolute/path/library.so]
//   quillmate-register [--registry DIR] check PROGID [METHOD]
//   quillmate-register new-clsid
//
// The registry's root is DIR, else $QUILLMATE_REGISTRY, else /etc/quillmate/registry, as for
// the gateway. Results go to standard output; a failure is one line on standard error and
// the exit status 1 (2 for a command line it does not understand).
#include "platform/registry.h"
#include "registrar/class_check.h"
#include "registrar/class_identifier.h"
#include "registrar/class_registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace qmt::registrar;

constexpr char usage[] = "usage: quillmate-register [--registry DIR] add PROGID {CLSID} /absolute/path/library.so\n"
                         "       quillmate-register [--registry DIR] remove PROGID\n"
                         "       quillmate-register [--registry DIR] list [/absolute/path/library.so]\n"
                         "       quillmate-register [--registry DIR] check PROGID [METHOD]\n"
                         "       quillmate-register new-clsid\n";

int fail(std::string const& reason)
{
    std::fprintf(stderr, "quillmate-register: %s\n", reason.c_str());
    return 1;
}

int outcome(std::string const& reason) { return reason.empty() ? 0 : fail(reason); }

int list(std::string const& library)
{
    std::vector<RegisteredClass> classes;
    if (std::string const reason = list_classes(library, classes); !reason.empty())
        return fail(reason);
    for (RegisteredClass const& found : classes)
        std::printf("%s\t%s\t%s\n", found.prog_id.c_str(), found.class_id.c_str(),
                    found.library.empty() ? "(no InprocServer32 value)" : found.library.c_str());
    return 0;
}

int check(std::string const& prog_id, std::string const& method)
{
    CheckStep failure;
    auto const report
        = [](CheckStep const& passed) { std::printf("%-9s ok: %s\n", passed.step.c_str(), passed.said.c_str()); };
    if (check_class(prog_id, method, report, failure))
        return 0;
    return fail("check " + prog_id + ": step " + failure.step + " failed: " + failure.said);
}

int new_clsid()
{
    CLSID id {};
    if (!new_class_identifier(id))
        return fail("the system gave no random bytes");
    std::string const text = registry_text(id);
    std::printf("%s\n", text.c_str());
    std::printf("quillmate::guid(\"%s\")\n", text.c_str());
    std::printf("%s\n", initializer_text(id).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() >= 2 && words[0] == "--registry") {
        if (words[1].empty() || ::setenv("QUILLMATE_REGISTRY", words[1].c_str(), 1) != 0)
            return fail("--registry needs a directory");
        words.erase(words.begin(), words.begin() + 2);
    }
    std::size_t const count = words.size();
    std::string const command = count > 0 ? words[0] : "";
    if (command == "add" && count == 4)
        return outcome(add_class(words[1], words[2], words[3]));
    if (command == "remove" && count == 2)
        return outcome(remove_class(words[1]));
    if (command == "list" && count <= 2)
        return list(count == 2 ? words[1] : "");
    if (command == "check" && (count == 2 || count == 3))
        return check(words[1], count == 3 ? words[2] : "");
    if (command == "new-clsid" && count == 1)
        return new_clsid();
    std::fputs(usage, stderr);
    return 2;
}
