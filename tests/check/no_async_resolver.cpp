// Preloaded into a child test program: libcurl as if it had been built
// without asynchronous name resolution, as far as the program can ask.

#include <curl/curl.h>

#include <dlfcn.h>

extern "C" curl_version_info_data *curl_version_info(CURLversion age)
{
    using Real = curl_version_info_data *(*)(CURLversion);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "curl_version_info"));
    static curl_version_info_data copy;
    curl_version_info_data *info = real ? real(age) : nullptr;
    if (!info)
        return info;
    copy = *info;
    copy.features &= ~CURL_VERSION_ASYNCHDNS;
    return &copy;
}
