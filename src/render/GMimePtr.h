#pragma once

// Owners for GMime and GLib objects; included only by .cpp files so that no
// public header of the renderer exposes GMime.

#include <gmime/gmime.h>
#include <memory>

namespace Render
{

template <auto Fn> struct CallFree
{
    template <class T> void operator()(T* p) const
    {
        if (p)
            Fn(p);
    }
};

template <class T> using GObjectPtr = std::unique_ptr<T, CallFree<g_object_unref>>;
using GCharPtr = std::unique_ptr<char, CallFree<g_free>>;
using ParserOptionsPtr = std::unique_ptr<GMimeParserOptions, CallFree<g_mime_parser_options_free>>;

/// Initialises GMime once per process; safe to call from any thread.
void ensureGMime();

} // namespace Render
