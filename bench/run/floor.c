/* The floor of the run benchmark: makes the same folders and files as the merge of the
 * benchmark document, with the same bytes and the same system calls per item (existence
 * check, temporary file, write, close, no-replace rename, all by path), but without any
 * templating.
 *   floor DEST [RECORDS]              renders each item with printf, then makes it
 *   floor --manifest FILE [RECORDS]   renders every item into FILE and makes nothing
 *   floor --replay FILE DEST          makes the items of FILE: the calls alone, bytes ready
 * A manifest holds, per item in the merge's order, 'd' or 'f', the relative path's length
 * (4 bytes) and the path, and for a file its contents' length (8 bytes) and the contents. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

static const char* const kCities[] = {"Amsterdam", "Berlin", "Cork",  "Dublin", "Evora",
                                      "Florence",  "Ghent",  "Hanoi", "Izmir",  "Jaipur"};

static unsigned long counter;
static long created;

/* Writes contents at target unless something is there, as the merge does. */
static void put_file(const char* folder, const char* name, const char* target, const char* contents,
                     size_t len)
{
    struct stat st;
    char temp[4096];
    if (stat(target, &st) == 0)
        return;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        snprintf(temp, sizeof temp, "%s/.%.48s.qly-%lx-%lx", folder, name, (long)getpid(),
                 counter++);
        fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            perror(temp);
            return;
        }
    }
    const char* p = contents;
    while (len > 0) {
        ssize_t n = write(fd, p, len);
        if (n < 0) {
            perror(temp);
            close(fd);
            unlink(temp);
            return;
        }
        p += n;
        len -= (size_t)n;
    }
    close(fd);
    if (renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_NOREPLACE) != 0) {
        perror(target);
        unlink(temp);
        return;
    }
    ++created;
}

static void make_folder(const char* folder)
{
    struct stat st;
    if (stat(folder, &st) != 0) {
        if (mkdir(folder, 0777) == 0)
            ++created;
        else if (errno != EEXIST)
            perror(folder);
    }
}

/* Where --manifest writes; NULL when items are made at once. */
static FILE* manifest;
static size_t destLen;

static void emit(char kind, const char* path, const char* contents, size_t len)
{
    const char* rel = path + destLen + 1;
    const uint32_t n = (uint32_t)strlen(rel);
    fputc(kind, manifest);
    fwrite(&n, sizeof n, 1, manifest);
    fwrite(rel, 1, n, manifest);
    if (kind == 'f') {
        const uint64_t size = len;
        fwrite(&size, sizeof size, 1, manifest);
        fwrite(contents, 1, len, manifest);
    }
}

static void folder_item(const char* folder)
{
    if (manifest)
        emit('d', folder, NULL, 0);
    else
        make_folder(folder);
}

static void file_item(const char* folder, const char* name, const char* target,
                      const char* contents, size_t len)
{
    if (manifest)
        emit('f', target, contents, len);
    else
        put_file(folder, name, target, contents, len);
}

/* Makes the items of a manifest under dest. */
static int replay(const char* file, const char* dest)
{
    const int fd = open(file, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        perror(file);
        return 1;
    }
    const char* data =
        st.st_size > 0 ? mmap(NULL, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, fd, 0) : NULL;
    const char* end = data + st.st_size;
    char path[4096], folder[4096];
    const int destLength = snprintf(path, sizeof path, "%s/", dest);
    for (const char* p = data; p < end;) {
        const char kind = *p++;
        uint32_t n;
        memcpy(&n, p, sizeof n);
        p += sizeof n;
        memcpy(path + destLength, p, n);
        path[destLength + n] = '\0';
        p += n;
        if (kind == 'd') {
            make_folder(path);
            continue;
        }
        uint64_t size;
        memcpy(&size, p, sizeof size);
        p += sizeof size;
        const char* slash = strrchr(path, '/');
        memcpy(folder, path, (size_t)(slash - path));
        folder[slash - path] = '\0';
        put_file(folder, slash + 1, path, p, (size_t)size);
        p += size;
    }
    printf("created %ld\n", created);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && strcmp(argv[1], "--replay") == 0)
        return replay(argv[2], argv[3]);
    if (argc < 2 || (strcmp(argv[1], "--manifest") == 0 && argc < 3)) {
        fprintf(stderr,
                "usage: %s DEST [RECORDS] | --manifest FILE [RECORDS] | --replay FILE DEST\n",
                argv[0]);
        return 2;
    }
    const int manifestMode = strcmp(argv[1], "--manifest") == 0;
    if (manifestMode) {
        manifest = fopen(argv[2], "wb");
        if (!manifest) {
            perror(argv[2]);
            return 1;
        }
        ++argv;
        --argc;
    }
    /* In a manifest, paths are relative: any name does as the destination. */
    const char* dest = manifestMode ? "." : argv[1];
    destLen = strlen(dest);
    const long records = argc > 2 ? atol(argv[2]) : 100000;
    int width = snprintf(NULL, 0, "%ld", records);

    char folder[4096], target[4200], name[256], city[64], email[256], phone[64];
    static char card[8192];
    size_t listCap = 1 << 20, listLen = 0;
    char* list = malloc(listCap);
    listLen = (size_t)snprintf(list, listCap, "#\tName\tCity\tEmail\n");

    /* Items in the merge's order: every record's folder, then every record's card. */
    for (long i = 1; i <= records; ++i) {
        snprintf(folder, sizeof folder, "%s/Person%ld_%0*ld/", dest, i, width, i);
        folder_item(folder);
    }
    for (long i = 1; i <= records; ++i) {
        snprintf(name, sizeof name, "Person%ld", i);
        snprintf(city, sizeof city, "%s", kCities[i % 10]);
        snprintf(email, sizeof email, "person%ld@example.com", i);
        snprintf(phone, sizeof phone, "+1-555-%04ld", i % 10000);
        snprintf(folder, sizeof folder, "%s/%s_%0*ld", dest, name, width, i);
        snprintf(target, sizeof target, "%s/card.txt", folder);
        const int n =
            snprintf(card, sizeof card,
                     "Card %0*ld\nName: %s\nCity: %s\nEmail: %s\nPhone: %s\n\nDear %s,\n"
                     "this card was made for you in %s. We will write to %s or call %s when your "
                     "order is ready. Thank you for choosing us, %s, and see you soon in %s.\n"
                     "Reference: %s-%0*ld\n",
                     width, i, name, city, email, phone, name, city, email, phone, name, city, name,
                     width, i);
        file_item(folder, "card.txt", target, card, (size_t)n);

        char line[512];
        const int m = snprintf(line, sizeof line, "%s%0*ld\t%s\t%s\t%s", i > 1 ? "\n" : "", width,
                               i, name, city, email);
        if (listLen + (size_t)m + 2 > listCap) {
            listCap *= 2;
            list = realloc(list, listCap);
        }
        memcpy(list + listLen, line, (size_t)m);
        listLen += (size_t)m;
    }
    list[listLen++] = '\n';
    snprintf(target, sizeof target, "%s/list.txt", dest);
    file_item(dest, "list.txt", target, list, listLen);
    free(list);
    if (manifest && fclose(manifest) != 0) {
        perror("manifest");
        return 1;
    }
    printf("created %ld\n", created);
    return 0;
}
