// Catching the framework's exceptions (thrown as heap pointers) in tests.
#pragma once

#include <afx.h>

#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <typeinfo>

namespace testing_support
{

struct DeleteException
{
    void operator()(CException* e) const
    {
        if (e != nullptr)
            e->Delete();
    }
};

template <typename E> using ExceptionPtr = std::unique_ptr<E, DeleteException>;

// Runs body and hands back the framework exception of type E that it raised,
// or null (with a test failure) when it raised nothing or something else.
template <typename E, typename F> ExceptionPtr<E> Raised(F&& body)
{
    try
    {
        body();
    }
    catch (CException* e)
    {
        if (E* wanted = dynamic_cast<E*>(e))
            return ExceptionPtr<E>(wanted);
        ADD_FAILURE() << "raised " << typeid(*e).name() << " instead of " << typeid(E).name()
                      << ": " << e->ErrorText().ToUtf8();
        e->Delete();
        return nullptr;
    }
    catch (const std::exception& e)
    {
        ADD_FAILURE() << "raised a standard exception: " << e.what();
        return nullptr;
    }
    ADD_FAILURE() << "nothing was raised; expected " << typeid(E).name();
    return nullptr;
}

} // namespace testing_support
