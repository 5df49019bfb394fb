#include "TitleLetters.h"

namespace scrivora {

int titleLetterForUnicode(uint32_t codePoint) {
  switch (codePoint) {
    case 0x0100:
    case 0x0102:
    case 0x0104: return 'A';
    case 0x0101:
    case 0x0103:
    case 0x0105:
    case 0x01CE: return 'a';
    case 0x0106:
    case 0x0108:
    case 0x010A:
    case 0x010C: return 'C';
    case 0x0107:
    case 0x0109:
    case 0x010B:
    case 0x010D:
    case 0xE004: return 'c';
    case 0x011B:
    case 0xE00D: return 'e';
    case 0x011F: return 'g';
    case 0x0141: return 'L';
    case 0x0142: return 'l';
    case 0x0144:
    case 0x0148: return 'n';
    case 0x0151: return 'o';
    case 0x0159: return 'r';
    case 0x015B:
    case 0x015D:
    case 0x015F: return 's';
    case 0x0163: return 't';
    case 0x017D: return 'Z';
    case 0x017A:
    case 0x017E: return 'z';
    case 0x2011: return '-';
    default: return -1;
  }
}

}  // namespace scrivora
