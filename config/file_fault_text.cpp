#include "config/file_fault_text.h"

namespace kd {

std::string DescribeFileFault(const files::Result& result) {
    switch (result.fault) {
        case files::Fault::None:
            return {};
        case files::Fault::NotFound:
            return "文件或文件夹不存在";
        case files::Fault::NoAccess:
            return "没有访问权限";
        case files::Fault::IsDirectory:
            return "这是一个文件夹";
        case files::Fault::NotRegular:
            return "这不是普通文件（是管道、设备或套接字）";
        case files::Fault::TooLarge:
            return "文件过大，不是配置文件";
        case files::Fault::ReadOnly:
            return "文件为只读，未覆盖";
        case files::Fault::ForeignLink:
            return "这是其他用户在不属于他的文件夹中建立的符号链接，未跟随";
        case files::Fault::DanglingLink:
            return "这是一个指向不存在文件的符号链接";
        case files::Fault::NoSpace:
            return "磁盘空间不足";
        case files::Fault::System:
            break;
    }
    return files::SystemText(result.code);
}

}  // namespace kd
