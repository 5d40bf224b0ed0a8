// Holds the pictures stored with the windows as Qt resources (":/pictures/…").
// The resource data is compiled in by the asset pipeline; this file only gives
// the library a translation unit of its own.
namespace korivanta {
int windowPicturesAnchor = 0;
}
