#include "automation/native/loaded_libraries.h"

namespace qmt::runtime {

bool LoadedLibraries::keep(platform::SharedLibrary library)
{
    if (!library)
        return false;
    for (std::int32_t i = 0; i < m_handles.count(); ++i) {
        if (m_handles.at(i) == library.handle())
            return true; // already held: `library` gives its extra reference back
    }
    if (!m_handles.append(library.handle()))
        return false;
    library.release(); // the list holds the reference now
    return true;
}

void LoadedLibraries::unload_all()
{
    for (std::int32_t i = m_handles.count(); i > 0; --i)
        platform::SharedLibrary::adopt(m_handles.at(i - 1)).reset();
    m_handles.clear();
}

} // namespace qmt::runtime
