#include "winhost/message_pictures.h"

#include "winhost/dialog_picture.h"

void takeMessageBoxPicture(HWND box, Desktop& desktop) {
    std::string path = desktop.messagePicturePattern;
    size_t number = path.find("%d");
    if (number == std::string::npos)
        return;
    path.replace(number, 2, std::to_string(++desktop.messagePictures));
    PlatformFile file;
    if (pictureFile(captureWindow(box), path, file, desktop.pictureFailure))
        desktop.pictures.push_back(std::move(file));
}
