// The level file and the map of squares.
#include <cstdlib>
#include <cstring>

#include "catalogue/resources.h"
#include "state/state.h"
#include "world/cipher.h"
#include "world/levelsource.h"
#include "world/world.h"
#include "world/world_internal.h"

const uint8_t* levelData;
int32_t levelDataSize;
int32_t cipherPos, cipherSum;
// Five bytes here; completeCipherKey stores the other three before the file is first read.
uint8_t cipherKey[8] = {cipherKeyData[0], 0, cipherKeyData[1], cipherKeyData[2], 0,
                        cipherKeyData[3], 0, cipherKeyData[4]};
int32_t mapWidth, mapHeight, mapCells;
char levelName[10];
uint8_t* map;
int32_t startX, startY;
uint8_t borderTile = TileBorder;
void* (*mapAllocate)(size_t) = malloc;

namespace {

constexpr int32_t RecordHeader = 32;

void resetCipher() {
    cipherPos = 0;
    cipherSum = 0;
}

// The empty map of a failed load: every square reads as borderTile.
void clearMapSize() {
    mapWidth = 0;
    mapHeight = 0;
    mapCells = 0;
}

}  // namespace

void completeCipherKey() { storeCipherKeyTail(cipherKey); }

uint8_t decodeLevelByte(uint8_t b) { return cipherDecodeStep(cipherKey, cipherPos, cipherSum, b); }

int32_t openLevelData() {
    uint32_t size = 0;
    const uint8_t* data = findResource(ResLevelFile, &size);
    if (size > 0x7FFFFFFF) return 1;
    return openLevelBytes(data, static_cast<int32_t>(size));
}

int32_t openLevelBytes(const uint8_t* data, int32_t size) {
    if (!data || size <= 3) return 1;
    levelData = data;
    levelDataSize = size;
    resetCipher();
    uint8_t head[4];
    for (int i = 0; i < 4; ++i) head[i] = decodeLevelByte(levelData[i]);
    int32_t levels = head[1] - 4;
    if (levels < 2) levels = 1;
    game.lastLevel = static_cast<uint8_t>(levels - 1);
    return 0;
}

void closeLevelData() {
    unloadLevel();
    levelData = nullptr;
    levelDataSize = 0;
}

int32_t levelIndexEntry(int32_t k) {
    // Worked out in 64 bits so a huge k cannot wrap round into the file.
    const int64_t pos = 4 * static_cast<int64_t>(k) + 4;
    if (!levelData || pos < 0 || pos + 4 > levelDataSize) return -1;
    resetCipher();
    for (int64_t i = 0; i < pos; ++i) decodeLevelByte(levelData[i]);
    uint32_t v = 0;
    for (int64_t i = pos; i < pos + 4; ++i) v = (v << 8) | decodeLevelByte(levelData[i]);
    return static_cast<int32_t>(v);
}

int32_t readLevelHeader(uint8_t* buffer, int32_t k) {
    const int32_t off = levelIndexEntry(k);
    if (off < 0 || static_cast<int64_t>(off) + RecordHeader > levelDataSize) return 1;
    resetCipher();
    for (int32_t i = 0; i < RecordHeader; ++i) buffer[i] = decodeLevelByte(levelData[off + i]);
    return 0;
}

int32_t loadLevelRecord(int32_t k) {
    const int32_t a = levelIndexEntry(k);
    const int32_t b = k < INT32_MAX ? levelIndexEntry(k + 1) : -1;
    if (a < 0 || b < 0) return 1;
    // A record must lie inside the file; one that ends before it starts is too short.
    if (b > levelDataSize || b < a) return 1;
    return parseLevel(levelData + a, b - a);
}

int32_t parseLevel(const uint8_t* bytes, int32_t length) {
    if (length < RecordHeader) return 1;
    resetCipher();
    uint8_t header[RecordHeader];
    for (int32_t i = 0; i < RecordHeader; ++i) header[i] = decodeLevelByte(bytes[i]);
    uint32_t colour = 0;
    if (header[1] & 1) colour |= 0xFF0000;
    if (header[1] & 2) colour |= 0x00FF00;
    if (header[1] & 4) colour |= 0x0000FF;
    game.levelColour = colour;
    memcpy(levelName, &header[2], sizeof levelName);
    free(map);
    map = nullptr;
    mapWidth = header[12] & 127;
    mapHeight = header[13] & 127;
    borderTile = TileBorder;
    mapCells = mapWidth * mapHeight;
    // A map size without a map would make every getCell read nothing: fall back to the
    // empty map of a failed load.
    map = static_cast<uint8_t*>(mapAllocate(mapCells > 0 ? static_cast<size_t>(mapCells) : 1));
    if (!map) {
        clearMapSize();
        return 1;
    }
    memset(map, 0, mapCells);
    for (int32_t i = 0; i < mapCells && RecordHeader + i < length; ++i)
        map[mapCells - 1 - i] = decodeLevelByte(bytes[RecordHeader + i]);
    return 0;
}

static void countMapSquares() {
    game.diamondsLeft = 0;
    game.targetsLeft = 0;
    for (int32_t y = 0; y < mapHeight; ++y)
        for (int32_t x = 0; x < mapWidth; ++x) {
            uint8_t& t = map[x + y * mapWidth];
            if (t == TileDiamond || t == TileSafe)
                ++game.diamondsLeft;
            else if (t == TileBomb)
                ++game.targetsLeft;
            else if (t == TilePlayer) {
                startX = x;
                startY = y;
            } else if (t == TileFaintGlow)
                t = TileEmpty;
        }
}

static void startLevelPlay() {
    placePlayer();
    clearMonsters();
    game.levelTicks = 0;
}

int32_t scanMap() {
    countMapSquares();
    if (buildTileSheets() != 0) return 1;
    startLevelPlay();
    return 0;
}

int32_t loadCurrentLevel() {
    unloadLevel();
    if (game.level > static_cast<int32_t>(game.lastLevel) || game.level > static_cast<int32_t>(game.levelLimit))
        game.level = 0;
    loadLevelRecord(game.level + 4);
    scanMap();
    return 0;
}

void unloadLevel() {
    removePlayer();
    freeTileSheets();
    game.diamondsLeft = 0;
    game.targetsLeft = 0;
    clearMapSize();
    memset(levelName, 0, sizeof levelName);
    free(map);
    map = nullptr;
}

uint8_t getCell(int32_t x, int32_t y) {
    if (static_cast<uint32_t>(x) < static_cast<uint32_t>(mapWidth) &&
        static_cast<uint32_t>(y) < static_cast<uint32_t>(mapHeight))
        return map[x + y * mapWidth];
    return borderTile;
}

int32_t setCell(int32_t x, int32_t y, uint8_t tile) {
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(mapWidth) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(mapHeight))
        return 1;
    map[x + y * mapWidth] = tile;
    return 0;
}

int32_t loadLevelSource(const char* text, int32_t length) {
    unloadLevel();
    completeCipherKey();
    LevelSource source;
    LevelSourceError error;
    if (!text || length < 0 || !parseLevelSource(std::string_view(text, static_cast<size_t>(length)), source, error))
        return 1;
    std::vector<uint8_t> record = buildLevelRecord(source);
    scrambleStream(record);
    if (parseLevel(record.data(), static_cast<int32_t>(record.size())) != 0) return 1;
    countMapSquares();
    startLevelPlay();
    return 0;
}
