// Numbers of the message table's rows (string resources of the executable).
#pragma once

#include <cstdint>

namespace qmt::message {

enum : std::uint32_t {
    ClassNotRegistered = 1,
    ObjectNotCreated = 2,
    MethodNotFound = 3,
    InvalidTargetName = 5,
    UnsupportedRequestMethod = 6,
    CustomItemOutOfRange = 7,
    ServerItemOutOfRange = 8,
    ItemNameNotFound = 9,
    FileNotOpened = 10,
    TemplateAlreadyOpen = 11,
    SendTemplateWithoutTemplate = 12,
    BeginSectionWithoutTemplate = 13,
    SectionNameReused = 14,
    SectionNotReferenced = 15,
    FieldNotReferenced = 16,
    SendTemplateNullParameters = 18,
    EndSectionMissing = 20,
    UnhandledFault = 21,
    TargetRaisedException = 22,
    EndSectionWithoutTemplate = 23,
    OutputFileAlreadyOpen = 24,
    OutputFileNotCreated = 25,
};

} // namespace qmt::message
