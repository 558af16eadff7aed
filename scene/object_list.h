// The object list: the scene's placed objects, and the release of every loaded model.
#pragma once

// Destroys every loaded model of the model table and clears the rows.
void ReleaseModels();
