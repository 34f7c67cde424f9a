#include "winhost/message_pictures.h"

#include "winhost/dialog_picture.h"

std::string messagePicturePattern;

void takeMessageBoxPicture(HWND box, std::vector<PlatformFile>& files, std::string& failure) {
    static int saved = 0;
    if (messagePicturePattern.empty())
        return;
    std::string path = messagePicturePattern;
    size_t number = path.find("%d");
    if (number == std::string::npos)
        return;
    path.replace(number, 2, std::to_string(++saved));
    PlatformFile file;
    if (pictureFile(captureWindow(box), path, file, failure))
        files.push_back(std::move(file));
}
