// Symbols of the framework library. The framework is one shared library that
// Lumbrix and the applications hosting it share, so that a process holds one
// copy of its state; Brantel and some tests link a static copy instead
// (AFX_FRAMEWORK_STATIC).
#pragma once

#if defined(_WIN32)
#if defined(AFX_FRAMEWORK_STATIC)
#define AFX_API
#elif defined(AFX_FRAMEWORK_EXPORTS)
#define AFX_API __declspec(dllexport)
#else
#define AFX_API __declspec(dllimport)
#endif
#else
#define AFX_API __attribute__((visibility("default")))
#endif
