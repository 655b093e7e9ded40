/* What an edit cannot go below on a file system that clones, as a program started once for all photos, like the
 * tool: per photo a clone beside it (moved by GROWTH blocks where the edit makes the head longer), the head blocks
 * the edit changes written over the clone, a hard-linked backup (or none) and the rename over the photo.
 *
 *     cow_floor BLOCKS GROWTH BACKUP PHOTO...      (BACKUP: 1 or 0)
 */
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const int blocks = atoi(argv[1]);
    const int growth = atoi(argv[2]);
    const int backup = atoi(argv[3]);
    static char head[4096 * 16];
    if (blocks < 0 || blocks > 16 || growth < 0 || growth > blocks) return 2;
    for (int i = 4; i < argc; ++i) {
        char temp[4096];
        char orig[4096];
        if (snprintf(temp, sizeof temp, "%s.floor", argv[i]) >= (int)sizeof temp) return 1;
        if (snprintf(orig, sizeof orig, "%s.orig", argv[i]) >= (int)sizeof orig) return 1;
        const int source = open(argv[i], O_RDONLY | O_CLOEXEC);
        const int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        struct file_clone_range range = {.src_fd = source, .dest_offset = (unsigned long long)growth * 4096};
        if (source < 0 || fd < 0 || ioctl(fd, FICLONERANGE, &range) != 0 ||
            pwrite(fd, head, (size_t)blocks * 4096, 0) != (ssize_t)blocks * 4096) {
            perror(argv[i]);
            return 1;
        }
        close(fd);
        close(source);
        if ((backup && link(argv[i], orig) != 0) || rename(temp, argv[i]) != 0) {
            perror(argv[i]);
            return 1;
        }
    }
    return 0;
}
