// Runs the tool in a child process, reads PNG files, drives a session.
#include "tool.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "../tempdir.h"

ToolResult ToolRun(const std::vector<std::string> &args, const std::string &cwd,
                   const std::vector<std::string> &env) {
    TempDir capture;
    std::string out = capture / "out", err = capture / "err";
    pid_t pid = fork();
    if (pid == 0) {
        for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"})
            unsetenv(name);
        for (const std::string &e : env)
            putenv(strdup(e.c_str()));
        std::vector<char *> argv{(char *)TABRIX_TOOL};
        for (const std::string &a : args)
            argv.push_back((char *)a.c_str());
        argv.push_back(nullptr);
        if (chdir(cwd.c_str()) != 0 || !freopen(out.c_str(), "w", stdout)
            || !freopen(err.c_str(), "w", stderr))
            _exit(120);
        execv(TABRIX_TOOL, argv.data());
        _exit(121);
    }
    int status = 0;
    bool exited = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status);
    return {exited ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

Picture PictureRead(const std::string &path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return picture;
    picture.width = image.width;
    picture.height = image.height;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        picture.pixels.push_back((uint32_t)rgb[i] << 16 | (uint32_t)rgb[i + 1] << 8 | rgb[i + 2]);
    return picture;
}

Picture DirectSession(const std::string &dir, const char *script, const FrameRect &rect,
                      uint32_t width, uint32_t height, const std::vector<_DIALOGKEYB_INFO> &events) {
    LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);  // as the tool without a locale
    Picture picture{width, height, std::vector<uint32_t>((size_t)width * height, FRAME_BACKGROUND)};
    _GDI_SURFACE surface{width, height, width * 4, picture.pixels.data()};
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    params.hdc = &surface;
    GDIInit(&params);
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr || chdir(dir.c_str()) != 0)
        return {};
    _TABRIX_INFO info{sizeof info, script, rect.left, rect.top, rect.right, rect.bottom, {0}};
    TabrixStart(&info);
    for (_DIALOGKEYB_INFO keyb : events)
        if (TabrixCont(&info, &keyb) == TABRIX_CONT_FINISHED)
            break;
    params.hdc = nullptr;
    GDIInit(&params);
    if (chdir(here) != 0)
        return {};
    return picture;
}
