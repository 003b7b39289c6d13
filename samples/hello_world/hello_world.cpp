// Hello.World, written with the SDK: two methods, Greet and Echo, found by name.
//   ?obj=Hello.World+Greet&name=Ada   a page greeting Ada (or the world when no name is given)
//   ?obj=Hello.World+Echo&a=1&b=2     every field after the first, one per line
// The same source builds the native library and the Windows in-process server.
#include "quillmate/dispatch.h"

class HelloWorld final : public quillmate::DispatchObject<HelloWorld> {
public:
    static constexpr CLSID class_id = quillmate::guid("{5E0C2B7A-3D41-4F6E-9A8B-1C2D3E4F5A6B}");
    static constexpr char prog_id[] = "Hello.World";

    HRESULT greet(QmtEnvironment& environment)
    {
        quillmate::Text const name = quillmate::field(environment, "name"); // read before sending
        quillmate::send(environment, "Content-type: text/html; charset=utf-8\n\n<p>Hello, ");
        quillmate::send_html(environment, name ? name.get() : QMT_TEXT("world"));
        return quillmate::send(environment, "!</p>\n");
    }

    HRESULT echo(QmtEnvironment& environment)
    {
        quillmate::send(environment, "Content-type: text/plain; charset=utf-8\n\n");
        return quillmate::for_each_field(environment, [&](BSTR name, BSTR value) {
            quillmate::send(environment, name);
            quillmate::send(environment, "=");
            quillmate::send(environment, value);
            return quillmate::send(environment, "\n");
        });
    }

    static constexpr quillmate::Method<HelloWorld> methods[]
        = {{"Greet", &HelloWorld::greet}, {"Echo", &HelloWorld::echo}};

private:
    friend quillmate::Access;
    HelloWorld() = default;
};

QMT_SERVE(HelloWorld);
