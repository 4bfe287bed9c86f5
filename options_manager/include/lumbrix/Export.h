// Symbols that the Lumbrix library exports.
#pragma once

#if defined(_WIN32)
#if defined(LUMBRIX_BUILDING)
#define LUMBRIX_API __declspec(dllexport)
#elif defined(LUMBRIX_STATIC)
#define LUMBRIX_API
#else
#define LUMBRIX_API __declspec(dllimport)
#endif
#else
#define LUMBRIX_API __attribute__((visibility("default")))
#endif
