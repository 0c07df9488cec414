// SPDX-License-Identifier: GPL-3.0-or-later
// libmpv is opened when the first player core is made, not when the
// program starts: the library pulls in some hundred others (FFmpeg, the
// audio and video outputs), and loading them costs more than a window
// takes to come up. The mpv_* functions the program calls are defined here
// and forward to the library, which the first call opens.
#include <mpv/client.h>
#include <mpv/render.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace lumora {

namespace {

void* OpenLibrary() {
    // The file name the headers were written for: libmpv.so.<client API major>.
    const std::string name = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
    void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) std::fprintf(stderr, "lumora: cannot open %s: %s\n", name.c_str(), dlerror());
    return library;
}

void* Library() {
    static void* const library = OpenLibrary();
    return library;
}

// The library's own definition of `name` (looked up in the library, so
// never one of the forwarders below).
template <class Function>
Function Symbol(const char* name) {
    void* library = Library();
    return library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

}  // namespace

}  // namespace lumora

// Each forwarder looks its function up once. Without the library there is no
// handle, so only mpv_create and mpv_error_string can be reached then.
#define LUMORA_MPV_FUNCTION(name) static const auto function = lumora::Symbol<decltype(&::name)>(#name)

extern "C" {

mpv_handle* mpv_create(void) {
    LUMORA_MPV_FUNCTION(mpv_create);
    return function ? function() : nullptr;
}

int mpv_initialize(mpv_handle* ctx) {
    LUMORA_MPV_FUNCTION(mpv_initialize);
    return function ? function(ctx) : MPV_ERROR_UNINITIALIZED;
}

void mpv_terminate_destroy(mpv_handle* ctx) {
    LUMORA_MPV_FUNCTION(mpv_terminate_destroy);
    if (function) function(ctx);
}

const char* mpv_error_string(int error) {
    LUMORA_MPV_FUNCTION(mpv_error_string);
    return function ? function(error) : "libmpv is missing";
}

int mpv_set_option_string(mpv_handle* ctx, const char* name, const char* data) {
    LUMORA_MPV_FUNCTION(mpv_set_option_string);
    return function ? function(ctx, name, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_command_async(mpv_handle* ctx, uint64_t reply_userdata, const char** args) {
    LUMORA_MPV_FUNCTION(mpv_command_async);
    return function ? function(ctx, reply_userdata, args) : MPV_ERROR_UNINITIALIZED;
}

int mpv_set_property_async(mpv_handle* ctx, uint64_t reply_userdata, const char* name, mpv_format format, void* data) {
    LUMORA_MPV_FUNCTION(mpv_set_property_async);
    return function ? function(ctx, reply_userdata, name, format, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_get_property_async(mpv_handle* ctx, uint64_t reply_userdata, const char* name, mpv_format format) {
    LUMORA_MPV_FUNCTION(mpv_get_property_async);
    return function ? function(ctx, reply_userdata, name, format) : MPV_ERROR_UNINITIALIZED;
}

int mpv_observe_property(mpv_handle* mpv, uint64_t reply_userdata, const char* name, mpv_format format) {
    LUMORA_MPV_FUNCTION(mpv_observe_property);
    return function ? function(mpv, reply_userdata, name, format) : MPV_ERROR_UNINITIALIZED;
}

int mpv_request_log_messages(mpv_handle* ctx, const char* min_level) {
    LUMORA_MPV_FUNCTION(mpv_request_log_messages);
    return function ? function(ctx, min_level) : MPV_ERROR_UNINITIALIZED;
}

mpv_event* mpv_wait_event(mpv_handle* ctx, double timeout) {
    LUMORA_MPV_FUNCTION(mpv_wait_event);
    static mpv_event none{};  // MPV_EVENT_NONE
    return function ? function(ctx, timeout) : &none;
}

void mpv_set_wakeup_callback(mpv_handle* ctx, void (*cb)(void* d), void* d) {
    LUMORA_MPV_FUNCTION(mpv_set_wakeup_callback);
    if (function) function(ctx, cb, d);
}

int mpv_render_context_create(mpv_render_context** res, mpv_handle* mpv, mpv_render_param* params) {
    LUMORA_MPV_FUNCTION(mpv_render_context_create);
    return function ? function(res, mpv, params) : MPV_ERROR_UNINITIALIZED;
}

void mpv_render_context_set_update_callback(mpv_render_context* ctx, mpv_render_update_fn callback,
                                            void* callback_ctx) {
    LUMORA_MPV_FUNCTION(mpv_render_context_set_update_callback);
    if (function) function(ctx, callback, callback_ctx);
}

uint64_t mpv_render_context_update(mpv_render_context* ctx) {
    LUMORA_MPV_FUNCTION(mpv_render_context_update);
    return function ? function(ctx) : 0;
}

int mpv_render_context_render(mpv_render_context* ctx, mpv_render_param* params) {
    LUMORA_MPV_FUNCTION(mpv_render_context_render);
    return function ? function(ctx, params) : MPV_ERROR_UNINITIALIZED;
}

void mpv_render_context_free(mpv_render_context* ctx) {
    LUMORA_MPV_FUNCTION(mpv_render_context_free);
    if (function) function(ctx);
}

}  // extern "C"
