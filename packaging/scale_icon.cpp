// scale_icon SOURCE SIZE OUTPUT: the station's icon at SIZE x SIZE pixels, for the desktop's
// icon theme.
#include <QImage>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: scale_icon SOURCE SIZE OUTPUT\n");
    return 2;
  }
  const QImage source(QString::fromLocal8Bit(argv[1]));
  const int size = std::atoi(argv[2]);
  if (source.isNull() || size <= 0) {
    std::fprintf(stderr, "scale_icon: cannot read %s or bad size %s\n", argv[1], argv[2]);
    return 1;
  }
  const QImage scaled = source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (!scaled.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "scale_icon: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
