// Symbols of the platform layer that the framework library exports: the
// layer is built into that library, and these are the parts that Lumbrix,
// the tools and the framework's headers call.
#pragma once

#if defined(_WIN32)
#if defined(AFX_FRAMEWORK_STATIC)
#define PLATFORM_API
#elif defined(AFX_FRAMEWORK_EXPORTS)
#define PLATFORM_API __declspec(dllexport)
#else
#define PLATFORM_API __declspec(dllimport)
#endif
#else
#define PLATFORM_API __attribute__((visibility("default")))
#endif
