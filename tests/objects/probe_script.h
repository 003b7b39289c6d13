// What the probe's methods do with the environment. `Run` interprets a script taken from
// CustomItems: each item's name is a command, its value the argument, in order.
//
//   send V        SendString(V)
//   sendnull      SendString with a null text
//   sleep V       SendString("z") with Sleep = V as a text variant ("abc", "-5", "10")
//   file V        SendFile(V)
//   open V        OpenOutputFile(V)
//   close         CloseOutputFile()
//   server V      ServerItems.Item(V as text), then SendString("[" + Value + "]")
//   servernum V   the same with V as a 32-bit number
//   custom V      CustomItems.Item(V as text), then SendString("[" + Value + "]")
//   customnum V   the same with V as a 32-bit number
//   units H,H,... the same as custom, with the text made of these UTF-16 units, each in
//                 hexadecimal ("D83D,DE00" is U+1F600): texts that form data in the system's
//                 code page cannot carry
//   count         SendString("S=<ServerItems.Count> C=<CustomItems.Count>")
//   dispenum C    the collection C ("server" or "custom") called through Invoke with -4 and the
//                 property-get flag; the enumerator in the result is read to its end, sending
//                 "[" + Name + "]" for every item
//   dispitem V    CustomItems' Item called through Invoke (0x60020000, property get) with V as
//                 text; SendString("[" + Value + "]")
//   dispitemnum V the same with V as a 32-bit number
//   dispcount     "S=<n> C=<n>" as count, each Count called through Invoke (0x60020001)
//   dispcall D|F  CustomItems' Invoke with member identifier D and flags F (decimal, or
//                 hexadecimal after "0x") and no arguments; "Invoke=0xHHHHHHHH" goes to
//                 standard error whether or not tracing is on
//   raise S|D     ends the method with DISP_E_EXCEPTION, source S and description D (split at
//                 the first "|"; an empty part is passed as a missing text)
//   raisedeferred S|D
//                 the same with empty texts and a deferred fill-in routine that supplies them
//   fail S        ends the method with the status S (decimal, or hexadecimal after "0x")
//   fault         writes through a null pointer
//   keep          adds a reference to the environment that is never given back
//   template V    OpenTemplate(V)
//   templatenull  OpenTemplate with a null name
//   field P|R     SendTemplate(P, R), split at the first "|" (without one, R is empty)
//   fieldrows N|P|R
//                 SendTemplate(P, R) N times (rows of a section with one field), traced once
//   fieldnullname R
//                 SendTemplate with a null Placeholder; fieldnullvalue P: a null Replacement
//   section V     BeginSection(V); sectionnull: with a null name
//   endsection    EndSection()
//   closetemplate CloseTemplate() with Sleep omitted; closetemplatesleep V: with Sleep = V as
//                 a text variant
//   keepenum      keeps an enumerator copy of CustomItems (from _NewEnum) in a module-level
//                 slot beyond the end of the method, as an object may keep a For Each object in
//                 a global. When the library is unloaded, after the environment is gone, the
//                 copy is read to its end, each item going to standard error as
//                 "[name]=[value]\n" (units beyond ASCII as "?", an unreadable item as "?\n"),
//                 then Item("") is asked of it, its status going there as "Item=0xHHHHHHHH\n",
//                 and the copy is released
//   status        toggles tracing: after every environment call a command makes, the line
//                 "<call>=0xHHHHHHHH" goes to standard error (standard output refuses after
//                 an error page, and the trace must not mix with the response)
//
// Unknown commands are ignored; a failed call does not stop the script. The script is read
// through CustomItems' enumerator, and reading it is never traced.
#pragma once

#include "automation/automation.h"
#include "quillmate/interfaces.h"

namespace probe {

// Reads through and releases the enumerator copy that `keepenum` kept: for the library's unloading.
void release_kept_enumerator();

class Script {
public:
    explicit Script(QmtEnvironment& environment)
        : m_environment(environment)
    {
    }

    HRESULT run(EXCEPINFO* exception);
    // "C=<count>\n", then "[name]=[value]\n" for every item in order.
    HRESULT dump_custom_items();
    HRESULT dump_server_items();
    // The names of ServerItems, one a line, as the enumerator hands them out.
    HRESULT enumerate_server_items();

private:
    enum class Outcome { go_on, end };

    Outcome perform(BSTR command, BSTR argument, EXCEPINFO* exception, HRESULT& status);
    // The template commands (probe_template.cpp); false when `command` is none of them.
    bool perform_template_command(BSTR command, BSTR argument);
    HRESULT traced(char const* call, HRESULT status) const;
    HRESULT send(OLECHAR const* text);
    HRESULT send_with_sleep(OLECHAR const* text, VARIANT* sleep);
    HRESULT get_collection(ServerItems** collection);
    HRESULT get_collection(CustomItems** collection);
    template<typename Collection>
    void send_item_value(VARIANT& index);
    template<typename Collection>
    HRESULT dump();
    void send_counts();
    void keep_enumerator();
    template<typename Collection>
    HRESULT invoke(Collection& collection, DISPID member, WORD flags, VARIANT* argument, VARIANT& result);
    template<typename Collection>
    void send_names_through_invoke();
    void send_item_value_through_invoke(VARIANT& index);
    void send_counts_through_invoke();
    void call_through_invoke(OLECHAR const* member_and_flags);

    QmtEnvironment& m_environment;
    bool m_tracing {false};
};

} // namespace probe
