// The one way to write an automation object: QueryInterface from a list of interfaces and
// the identifiers each answers to, reference counting, creation on a heap and destruction
// through it. Header only; needs nothing of the C++ runtime (no exceptions, no operator
// new), so an object library may be built without it.
//
//   class Greeter final : public quillmate::Object<Greeter,
//                                                  quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
//       friend quillmate::Access;   // lets create() and Release() reach a private constructor and destructor
//       Greeter(int greeting);
//       ...
//   };
//   Greeter* greeter = Greeter::create(42);   // one reference, or null when memory is short
//
// Every interface named in the list shares the one reference count and the one identity:
// QueryInterface on any of them answers the same way. The first matching entry wins.
//
// Objects live on the process heap unless they name another (`using Heap = MyHeap;`, two
// static functions like ProcessHeap's). An object that lives as long as its module (a
// stateless object, a class factory) derives from ModuleObject instead: one instance, made
// at compile time, which counting never destroys.
#pragma once

#include "quillmate/runtime.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#ifndef _WIN32
#    include <cstdlib>
#endif

#ifndef _WIN32
// The tables of the abstract interfaces name this routine, which only a call of a pure virtual
// function reaches. An object library built without the C++ runtime gets it from here; a
// library that links the runtime uses the runtime's own, whose definition is not weak.
extern "C" __attribute__((weak, visibility("hidden"))) void __cxa_pure_virtual() { __builtin_trap(); }
#endif

namespace quillmate {

// The default home of objects: the process heap (HeapAlloc on Windows, malloc elsewhere,
// which is the native gateway's process heap).
struct ProcessHeap {
    static void* allocate(std::size_t bytes)
    {
#ifdef _WIN32
        return HeapAlloc(GetProcessHeap(), 0, bytes);
#else
        return std::malloc(bytes);
#endif
    }
    static void free(void* block)
    {
#ifdef _WIN32
        if (block != nullptr)
            HeapFree(GetProcessHeap(), 0, block);
#else
        std::free(block);
#endif
    }
};

// One interface of an object and the identifiers QueryInterface hands it out for.
template<typename Interface, IID const&... Identifiers>
struct Answers {
    using Type = Interface;
    static bool matches(REFIID iid) { return (IsEqualIID(iid, Identifiers) || ...); }
};

// Befriended by an object (`friend quillmate::Access;`) so that its constructor and
// destructor may stay private: only the helper's creation and last Release use them.
struct Access {
    template<typename Derived, typename... Arguments>
    static Derived* construct(void* storage, Arguments&&... arguments)
    {
        return ::new (storage) Derived(std::forward<Arguments>(arguments)...);
    }
    template<typename Derived>
    static void destroy(Derived* object)
    {
        object->~Derived();
    }
    // The one instance of a module object: constant-initialized, so it costs nothing at load.
    template<typename Derived>
    static Derived& instance()
    {
        static constinit Derived one;
        return one;
    }
};

namespace detail {

template<typename Derived>
struct HeapOf {
    using Type = ProcessHeap;
};
template<typename Derived>
requires requires { typename Derived::Heap; }
struct HeapOf<Derived> {
    using Type = typename Derived::Heap;
};

// QueryInterface over the list of interfaces, whatever decides the object's life.
template<typename Derived, typename... Interfaces>
class Answering : public Interfaces::Type... {
public:
    static_assert(sizeof...(Interfaces) > 0, "an object answers for at least one interface");

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        return answer<Interfaces...>(iid, object);
    }

    // A new object handed out as the interface asked for: what a class factory does. The
    // status is E_OUTOFMEMORY or QueryInterface's; on failure nothing is left behind.
    template<typename... Arguments>
    static HRESULT create_as(REFIID iid, void** object, Arguments&&... arguments)
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        Derived* created = Derived::create(std::forward<Arguments>(arguments)...);
        if (created == nullptr)
            return E_OUTOFMEMORY;
        HRESULT const status = created->QueryInterface(iid, object);
        created->Release();
        return status;
    }

protected:
    constexpr Answering() = default;
    ~Answering() = default;
    Answering(Answering const&) = delete;
    Answering& operator=(Answering const&) = delete;

private:
    template<typename First, typename... Rest>
    HRESULT answer(REFIID iid, void** object)
    {
        if (First::matches(iid)) {
            auto* found = static_cast<typename First::Type*>(static_cast<Derived*>(this));
            found->AddRef();
            *object = found;
            return S_OK;
        }
        if constexpr (sizeof...(Rest) > 0)
            return answer<Rest...>(iid, object);
        else
            return E_NOINTERFACE;
    }
};

} // namespace detail

template<typename Derived, typename... Interfaces>
class Object : public detail::Answering<Derived, Interfaces...> {
public:
    // What a class factory making such objects is: counted on the same heap.
    template<typename Factory, typename... FactoryInterfaces>
    using SameLifetime = Object<Factory, FactoryInterfaces...>;

    // A new object holding one reference (the caller's), or null when memory is short.
    template<typename... Arguments>
    static Derived* create(Arguments&&... arguments)
    {
        return create_with_room(0, std::forward<Arguments>(arguments)...);
    }

    // The same with `extra` bytes in the same block, right after the object (at `this + 1`,
    // aligned as the object is): for data whose size is known only at creation.
    template<typename... Arguments>
    static Derived* create_with_room(std::size_t extra, Arguments&&... arguments)
    {
        if (extra > SIZE_MAX - sizeof(Derived))
            return nullptr;
        void* storage = detail::HeapOf<Derived>::Type::allocate(sizeof(Derived) + extra);
        if (storage == nullptr)
            return nullptr;
        return Access::construct<Derived>(storage, std::forward<Arguments>(arguments)...);
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG const remaining = --m_references;
        if (remaining == 0) {
            auto* self = static_cast<Derived*>(this);
            Access::destroy(self);
            detail::HeapOf<Derived>::Type::free(self);
        }
        return remaining;
    }

protected:
    Object() = default;
    ~Object() = default;

private:
    ULONG m_references {1};
};

// An object that lives as long as its module. create() hands out the one instance; AddRef
// and Release change nothing (their results only say "still alive"). Its constructor must
// be constexpr and its destructor trivial, so the module needs no start-up or exit code.
template<typename Derived, typename... Interfaces>
class ModuleObject : public detail::Answering<Derived, Interfaces...> {
public:
    template<typename Factory, typename... FactoryInterfaces>
    using SameLifetime = ModuleObject<Factory, FactoryInterfaces...>;

    static Derived* create() { return &Access::instance<Derived>(); }

    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

protected:
    constexpr ModuleObject() = default;
    ~ModuleObject() = default;
};

// An object whose callers bind early: its dispatch operations answer E_NOTIMPL (an object
// may still override any of them, as a collection does with Invoke).
template<typename Derived, typename... Interfaces>
class EarlyBoundObject : public Object<Derived, Interfaces...> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    EarlyBoundObject() = default;
    ~EarlyBoundObject() = default;
};

} // namespace quillmate
